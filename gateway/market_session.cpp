#include "gateway/market_session.h"

#include "gateway/gateway_limits.h"

namespace {

bool holds(const SessionPeriod &period, int64_t now) {
    return period.start < period.end && period.start <= now && now < period.end;
}

bool is_stated(const SessionPeriod &period) { return period.start < period.end; }

bool is_extended(SessionNow now) {
    return now == SessionNow::pre_market || now == SessionNow::after_hours;
}

// Whether the session at `now` counts as open for the choice.
bool counts_as_open(SessionNow now, SessionChoice choice) {
    return now == SessionNow::regular || (choice == SessionChoice::extended && is_extended(now));
}

// When the regular session the figures come from ended, as stated; 0 when
// not stated. Before the day's session, the figures' own time stands in
// for the end of the session before: it cannot come after it.
int64_t figures_session_end(const MarketSession &session, int64_t taken) {
    if (session.regular_end != 0) return session.regular_end;
    if (!is_stated(session.regular)) return 0;
    return taken >= session.regular.end ? session.regular.end : session.figures_at;
}

// The start of the next session that counts as open, when the answer
// states one after `taken`; 0 otherwise.
int64_t stated_next_session(const MarketSession &session, int64_t taken, SessionChoice choice) {
    if (choice == SessionChoice::extended && is_stated(session.pre) && session.pre.start > taken) {
        return session.pre.start;
    }
    return is_stated(session.regular) && session.regular.start > taken ? session.regular.start : 0;
}

// "Dec" -> 12; 0 for anything else.
int month_of(std::string_view name) {
    static const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i) {
        if (name == kMonths[i]) return i + 1;
    }
    return 0;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t days_from_civil(int64_t year, int month, int day) {
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t year_of_era = year - era * 400;
    int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

// The day of the month of the `nth` Sunday of a month.
int nth_sunday(int64_t year, int month, int nth) {
    int64_t first = days_from_civil(year, month, 1);
    int weekday = static_cast<int>((first + 4) % 7);  // 1970-01-01 was a Thursday; 0 is Sunday
    return 1 + (7 - weekday) % 7 + 7 * (nth - 1);
}

// "ET" is the answer's own word for US Eastern time, which keeps daylight
// time from 2:00 on the second Sunday of March to 2:00 on the first Sunday
// of November. That rule is the only thing about time zones read here.
bool is_eastern_daylight(int64_t year, int month, int day, int minutes) {
    if (month > 3 && month < 11) return true;
    if (month == 3) {
        int change = nth_sunday(year, 3, 2);
        return day > change || (day == change && minutes >= 120);
    }
    if (month == 11) {
        int change = nth_sunday(year, 11, 1);
        return day < change || (day == change && minutes < 120);
    }
    return false;
}

// Reads a whole number at the front of `text`, removing it.
bool take_number(std::string_view *text, int64_t *number) {
    size_t digits = 0;
    *number = 0;
    while (digits < text->size() && digits < 5 && (*text)[digits] >= '0' &&
           (*text)[digits] <= '9') {
        *number = *number * 10 + ((*text)[digits] - '0');
        ++digits;
    }
    text->remove_prefix(digits);
    return digits > 0;
}

bool take(std::string_view *text, std::string_view part) {
    if (text->substr(0, part.size()) != part) return false;
    text->remove_prefix(part.size());
    return true;
}

}  // namespace

SessionNow session_at(const MarketSession &session, int64_t now) {
    switch (session.stated) {
    case MarketSession::Stated::open:
        return SessionNow::regular;
    case MarketSession::Stated::pre_market:
        return SessionNow::pre_market;
    case MarketSession::Stated::after_hours:
        return SessionNow::after_hours;
    case MarketSession::Stated::closed:
        return SessionNow::closed;
    case MarketSession::Stated::nothing:
        break;
    }
    if (!is_stated(session.regular) || holds(session.regular, now)) return SessionNow::regular;
    if (holds(session.pre, now)) return SessionNow::pre_market;
    if (holds(session.post, now)) return SessionNow::after_hours;
    return SessionNow::closed;
}

std::string market_text(const MarketSession &session, const char *word) {
    std::string bracket = session.currency;
    if (word != nullptr) bracket += (bracket.empty() ? "" : ", ") + std::string(word);
    if (bracket.empty()) return session.exchange;
    return session.exchange + (session.exchange.empty() ? "" : " ") + "(" + bracket + ")";
}

LiveQuote served_quote(const LiveQuote &read, int64_t now, SessionChoice choice) {
    LiveQuote served = read;
    SessionNow at = session_at(read.session, now);
    if (at == SessionNow::regular) {
        served.market = market_text(read.session, nullptr);
        return served;
    }
    if (choice == SessionChoice::extended && is_extended(at) &&
        read.session.extended_last_sale > 0.0) {
        served.last_sale = read.session.extended_last_sale;
        served.previous_close = read.last_sale;
        served.market =
            market_text(read.session, at == SessionNow::pre_market ? "pre-market" : "after hours");
        return served;
    }
    served.market = market_text(read.session, "closed");
    return served;
}

int64_t final_until(const MarketSession &session, int64_t taken, SessionChoice choice,
                    int64_t zone_next) {
    SessionNow at = session_at(session, taken);
    if (counts_as_open(at, choice)) return 0;
    int64_t ended = figures_session_end(session, taken);
    if (ended == 0 || taken < ended + kFinalAfterCloseSeconds) return 0;
    int64_t next = stated_next_session(session, taken, choice);
    if (next == 0 && zone_next > taken) next = zone_next;
    if (next != 0) return next;
    // Without a stated start the hour is safe only when the next session
    // that counts is the regular one and still far: a source names its
    // pre-market before the regular session opens, but nothing announces the
    // pre-market itself, and in the pre-market the open may be minutes away.
    if (at == SessionNow::pre_market || choice == SessionChoice::extended) return 0;
    return taken + kFinalRecheckSeconds;
}

int64_t next_session_start(const MarketSession &session, int64_t now) {
    for (const SessionPeriod *period : {&session.pre, &session.regular}) {
        if (is_stated(*period) && period->start > now) return period->start;
    }
    return 0;
}

bool read_eastern_time(std::string_view text, int64_t *seconds) {
    take(&text, "Closed at ");
    int month = month_of(text.substr(0, 3));
    text.remove_prefix(text.size() < 3 ? text.size() : 3);
    int64_t day = 0, year = 0, hour = 0, minute = 0;
    if (month == 0 || !take(&text, " ") || !take_number(&text, &day) || !take(&text, ", ") ||
        !take_number(&text, &year) || !take(&text, " ") || !take_number(&text, &hour) ||
        !take(&text, ":") || !take_number(&text, &minute) || !take(&text, " ")) {
        return false;
    }
    bool pm = take(&text, "PM");
    if (!pm && !take(&text, "AM")) return false;
    if (text != " ET" || day < 1 || day > 31 || hour < 1 || hour > 12 || minute > 59) return false;
    int minutes = static_cast<int>((hour % 12 + (pm ? 12 : 0)) * 60 + minute);
    int offset_hours = is_eastern_daylight(year, month, static_cast<int>(day), minutes) ? 4 : 5;
    *seconds = days_from_civil(year, month, static_cast<int>(day)) * 86400 + minutes * 60 +
               offset_hours * 3600;
    return true;
}

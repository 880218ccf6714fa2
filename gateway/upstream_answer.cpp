#include "gateway/upstream_answer.h"

#include "gateway/plain_text.h"

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t days_from_civil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    unsigned year_of_era = static_cast<unsigned>(year - era * 400);
    unsigned day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + static_cast<int64_t>(day_of_era) - 719468;
}

// "Wed, 21 Oct 2026 07:28:00 GMT", the one date form HTTP senders use.
bool read_http_date(std::string_view text, int64_t *seconds) {
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (text.size() != 29 || text.substr(3, 2) != ", " || text.substr(25) != " GMT") return false;
    std::string_view month = text.substr(8, 3);
    size_t month_at = std::string_view(kMonths).find(month);
    int64_t day, year, hour, minute, second;
    if (month_at == std::string_view::npos || month_at % 3 != 0 ||
        !read_digits(text.substr(5, 2), &day) || !read_digits(text.substr(12, 4), &year) ||
        !read_digits(text.substr(17, 2), &hour) || !read_digits(text.substr(20, 2), &minute) ||
        !read_digits(text.substr(23, 2), &second) || text[7] != ' ' || text[11] != ' ' ||
        text[16] != ' ' || text[19] != ':' || text[22] != ':' || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 60) {
        return false;
    }
    int64_t days =
        days_from_civil(year, static_cast<unsigned>(month_at / 3 + 1), static_cast<unsigned>(day));
    *seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

}  // namespace

uint32_t retry_after_ms(std::string_view header, int64_t now_seconds) {
    header = trimmed(header);
    int64_t seconds = 0;
    if (!read_digits(header, &seconds)) {
        int64_t at = 0;
        if (!read_http_date(header, &at) || at <= now_seconds) return 0;
        seconds = at - now_seconds;
    }
    return seconds >= 4294967 ? 4294967295u : static_cast<uint32_t>(seconds * 1000);
}

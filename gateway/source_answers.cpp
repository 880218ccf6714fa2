#include "gateway/source_answers.h"

#include <float.h>
#include <math.h>

#include <charconv>
#include <initializer_list>
#include <new>
#include <utility>

#include <nlohmann/json.hpp>

#include "gateway/gateway_limits.h"
#include "gateway/market_session.h"
#include "gateway/plain_text.h"

using nlohmann::json;

namespace {

// Members are looked up, never indexed: operator[] and at() on a value of
// the wrong type would throw, and a live source may send any shape.
const json *member(const json *object, const char *key) {
    if (object == nullptr || !object->is_object()) {
        return nullptr;
    }
    auto found = object->find(key);
    return found == object->end() ? nullptr : &*found;
}

template <typename... Keys>
const json *path(const json *value, Keys... keys) {
    ((value = member(value, keys)), ...);
    return value;
}

std::string_view text_of(const json *value) {
    if (value == nullptr || !value->is_string()) {
        return {};
    }
    return value->get_ref<const std::string &>();
}

// A price the ticker can hold: finite, not negative, within a float.
bool is_price(double value) { return isfinite(value) && value >= 0.0 && value <= FLT_MAX; }

// "$1,234.50", "-0.78", "+2.10": an optional sign and '$', digits with
// thousands separators and an optional fraction. Anything else ("N/A", "",
// "1e5", "inf") is no number. The value is signed; callers decide the range.
bool parse_amount(std::string_view text, double *value) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '$') text.remove_prefix(1);
    std::string digits;
    bool seen_digit = false;
    bool seen_point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            seen_digit = true;
            digits += c;
        } else if (c == '.' && !seen_point) {
            seen_point = true;
            digits += c;
        } else if (c != ',' || seen_point) {
            return false;
        }
    }
    if (!seen_digit) return false;
    double parsed = 0.0;
    auto result = std::from_chars(digits.data(), digits.data() + digits.size(), parsed,
                                  std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != digits.data() + digits.size()) return false;
    *value = negative ? -parsed : parsed;
    return true;
}

double price_text(std::string_view text) {
    double value = 0.0;
    return parse_amount(text, &value) && is_price(value) ? value : 0.0;
}

// Volumes beyond what the ticker's 32-bit field holds are served as its
// largest value rather than wrapped around.
uint32_t clamped_volume(double value) {
    if (!isfinite(value) || value <= 0.0) return 0;
    return value >= 4294967295.0 ? 4294967295u : static_cast<uint32_t>(value);
}

uint32_t volume_text(std::string_view text) {
    double value = 0.0;
    return parse_amount(text, &value) ? clamped_volume(floor(value)) : 0;
}

double price_number(const json *value) {
    if (value == nullptr || !value->is_number()) return 0.0;
    double number = value->get<double>();
    return is_price(number) ? number : 0.0;
}

std::string lower_case(std::string text) {
    for (char &c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Symbols are checked to letters, digits and ". - ^ =" before they get
// here; of those only '^' may not stand in an address path.
std::string path_segment(const std::string &symbol) {
    std::string segment;
    for (char c : symbol) {
        segment += c == '^' ? std::string("%5E") : std::string(1, c);
    }
    return segment;
}

bool is_one_of(std::string_view text, std::initializer_list<std::string_view> choices) {
    for (std::string_view choice : choices) {
        if (text == choice) return true;
    }
    return false;
}

// The exchange suffixes of Yahoo's own table that a symbol keeps as typed.
bool is_yahoo_exchange_suffix(std::string_view suffix) {
    return is_one_of(
        suffix,
        {".L",  ".IL", ".DE", ".F",  ".BE", ".DU", ".HM", ".HA", ".MU", ".SG", ".PA", ".AS", ".BR",
         ".MI", ".MC", ".SW", ".VI", ".ST", ".OL", ".CO", ".HE", ".IC", ".IR", ".LS", ".AT", ".PR",
         ".BD", ".TO", ".V",  ".CN", ".NE", ".AX", ".NZ", ".HK", ".T",  ".KS", ".KQ", ".TW", ".TWO",
         ".SS", ".SZ", ".SI", ".NS", ".BO", ".JK", ".BK", ".KL", ".SA", ".MX", ".BA", ".SN", ".JO",
         ".TA", ".IS", ".WA", ".SR", ".QA", ".CA", ".RG", ".TL", ".VS", ".SAU"});
}

std::string_view exchange_suffix(const std::string &symbol) {
    size_t dot = symbol.rfind('.');
    return dot == std::string::npos ? std::string_view() : std::string_view(symbol).substr(dot);
}

// BTC-USD, ETH-EUR: Yahoo's crypto pairs end in the currency they are
// priced in, which no share class does.
bool is_crypto_pair(const std::string &symbol) {
    size_t dash = symbol.rfind('-');
    if (dash == std::string::npos || dash == 0) return false;
    return is_one_of(std::string_view(symbol).substr(dash + 1),
                     {"USD", "EUR", "GBP", "JPY", "CAD", "AUD", "CHF", "CNY", "KRW", "INR", "BRL",
                      "USDT", "BTC", "ETH"});
}

SourceReading finished(LiveQuote quote) {
    SourceReading reading;
    reading.verdict = quote.last_sale > 0.0 ? AnswerVerdict::quote : AnswerVerdict::no_price;
    if (reading.verdict == AnswerVerdict::quote) reading.quote = std::move(quote);
    return reading;
}

SourceReading verdict_only(AnswerVerdict verdict) {
    SourceReading reading;
    reading.verdict = verdict;
    return reading;
}

// "308.16 - 316.53": the day's low and high, in whichever order they come;
// "NA" or anything else leaves both at 0.
void read_day_range(std::string_view range, LiveQuote *quote) {
    size_t dash = range.find(" - ");
    if (dash == std::string_view::npos) return;
    double first = price_text(range.substr(0, dash));
    double second = price_text(range.substr(dash + 3));
    if (first > 0.0 && second > 0.0) {
        quote->todays_low = first < second ? first : second;
        quote->todays_high = first < second ? second : first;
    }
}

// Letters only, lower case: "Pre-Market", "Pre Market" and "PRE MARKET"
// all read "premarket".
std::string letters_of(std::string_view text) {
    std::string letters;
    for (char c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c >= 'a' && c <= 'z') letters += c;
    }
    return letters;
}

// Nasdaq's data.marketStatus, in either of its spellings.
MarketSession::Stated stated_session(std::string_view market_status) {
    std::string status = letters_of(market_status);
    if (status == "open" || status == "marketopen") return MarketSession::Stated::open;
    if (status == "premarket") return MarketSession::Stated::pre_market;
    if (status == "afterhours") return MarketSession::Stated::after_hours;
    if (status == "closed" || status == "marketclosed") return MarketSession::Stated::closed;
    return MarketSession::Stated::nothing;
}

bool is_extended_hours(MarketSession::Stated stated) {
    return stated == MarketSession::Stated::pre_market ||
           stated == MarketSession::Stated::after_hours;
}

// When the regular session ended: the regular part's "Closed at ..." time,
// or a closed market's last trade time.
int64_t nasdaq_session_end(const json *primary, const json *secondary,
                           MarketSession::Stated stated) {
    int64_t end = 0;
    for (const json *part : {secondary, primary}) {
        std::string_view stamp = text_of(member(part, "lastTradeTimestamp"));
        bool closing = stamp.substr(0, 10) == "Closed at " ||
                       (part == primary && stated == MarketSession::Stated::closed);
        if (closing && read_eastern_time(stamp, &end)) return end;
    }
    return 0;
}

// A part's net change with its sign: "-0.78" as it stands, an unsigned
// "0.81" signed by the part's deltaIndicator, "UNCH" (or an empty change
// marked "unch") 0. False when there is no change to read.
bool signed_net_change(const json *part, double *change) {
    std::string_view text = trimmed(text_of(member(part, "netChange")));
    std::string indicator = letters_of(text_of(member(part, "deltaIndicator")));
    if (letters_of(text) == "unch" || (text.empty() && indicator == "unch")) {
        *change = 0.0;
        return true;
    }
    if (!parse_amount(text, change)) return false;
    bool signed_text = text.front() == '+' || text.front() == '-';
    if (!signed_text && indicator == "down") *change = -*change;
    return true;
}

SourceReading read_nasdaq(const json &answer) {
    if (!answer.is_object()) return verdict_only(AnswerVerdict::malformed);
    const json *data = member(&answer, "data");
    if (data != nullptr && data->is_null()) return verdict_only(AnswerVerdict::unknown_symbol);
    if (data == nullptr || !data->is_object()) return verdict_only(AnswerVerdict::malformed);

    // Before and after the regular session primaryData holds the
    // extended-hours trade and secondaryData the regular session.
    const json *primary = member(data, "primaryData");
    const json *session = primary;
    const json *secondary = member(data, "secondaryData");
    LiveQuote quote;
    quote.session.stated = stated_session(text_of(member(data, "marketStatus")));
    if (is_extended_hours(quote.session.stated) &&
        price_text(text_of(member(secondary, "lastSalePrice"))) > 0.0) {
        session = secondary;
        quote.session.extended_last_sale = price_text(text_of(member(primary, "lastSalePrice")));
    }
    quote.session.regular_end = nasdaq_session_end(primary, secondary, quote.session.stated);
    quote.last_sale = price_text(text_of(member(session, "lastSalePrice")));
    double stated = 0.0;
    double change = 0.0;
    if (session == primary &&
        parse_amount(text_of(path(data, "keyStats", "PreviousClose", "value")), &stated) &&
        is_price(stated)) {
        quote.previous_close = stated;
    } else if (quote.last_sale > 0.0 && signed_net_change(session, &change) &&
               is_price(quote.last_sale - change)) {
        // The difference of two decimal texts, without the binary noise
        // of the subtraction (224.31 - 1.89 is 222.42000000000002).
        quote.previous_close = round((quote.last_sale - change) * 1e6) / 1e6;
    }
    // Before the open primaryData's volume is the pre-market's own, not the
    // regular session's; after hours it is the day's.
    std::string_view volume = text_of(path(data, "keyStats", "Volume", "value"));
    const json *volume_part =
        quote.session.stated == MarketSession::Stated::pre_market ? secondary : primary;
    quote.volume = volume_text(volume.empty() ? text_of(member(volume_part, "volume")) : volume);
    read_day_range(text_of(path(data, "keyStats", "dayrange", "value")), &quote);
    quote.session.exchange = std::string(text_of(member(data, "exchange")));
    // Its times are Eastern ("4:00 PM ET"): the zone of Yahoo's US answers.
    if (quote.session.stated != MarketSession::Stated::nothing) {
        quote.session.zone = "America/New_York";
    }
    quote.market = market_text(quote.session, nullptr);
    return finished(std::move(quote));
}

// A whole number of seconds since 1970, or 0.
int64_t unix_time(const json *value) {
    if (value == nullptr || !value->is_number()) return 0;
    double seconds = value->get<double>();
    return isfinite(seconds) && seconds > 0.0 && seconds < 1e12 ? static_cast<int64_t>(seconds) : 0;
}

SessionPeriod yahoo_period(const json *meta, const char *name) {
    const json *period = path(meta, "currentTradingPeriod", name);
    SessionPeriod read;
    read.start = unix_time(member(period, "start"));
    read.end = unix_time(member(period, "end"));
    return read;
}

// The exchange, and the currency when it is not dollars: the ticker writes
// every price with a '$'. The day's sessions by their times.
void read_yahoo_session(const json *meta, MarketSession *session) {
    std::string_view exchange = text_of(member(meta, "fullExchangeName"));
    if (exchange.empty()) exchange = text_of(member(meta, "exchangeName"));
    session->exchange = std::string(exchange);
    std::string_view currency = trimmed(text_of(member(meta, "currency")));
    if (!currency.empty() && letters_of(currency) != "usd") session->currency = currency;
    session->pre = yahoo_period(meta, "pre");
    session->regular = yahoo_period(meta, "regular");
    session->post = yahoo_period(meta, "post");
    session->figures_at = unix_time(member(meta, "regularMarketTime"));
    session->zone = std::string(text_of(member(meta, "exchangeTimezoneName")));
}

SourceReading read_yahoo(const json &answer) {
    const json *chart = member(&answer, "chart");
    if (chart == nullptr) return verdict_only(AnswerVerdict::malformed);
    const json *results = member(chart, "result");
    const json *error = member(chart, "error");
    if ((results == nullptr || results->is_null()) && error != nullptr && !error->is_null()) {
        return verdict_only(AnswerVerdict::unknown_symbol);
    }
    if (results == nullptr || !results->is_array() || results->empty()) {
        return verdict_only(AnswerVerdict::malformed);
    }
    const json *meta = member(&results->front(), "meta");
    if (meta == nullptr || !meta->is_object()) return verdict_only(AnswerVerdict::malformed);

    LiveQuote quote;
    quote.last_sale = price_number(member(meta, "regularMarketPrice"));
    quote.previous_close = price_number(member(meta, "previousClose"));
    if (quote.previous_close == 0.0) {
        quote.previous_close = price_number(member(meta, "chartPreviousClose"));
    }
    quote.todays_high = price_number(member(meta, "regularMarketDayHigh"));
    quote.todays_low = price_number(member(meta, "regularMarketDayLow"));
    const json *volume = member(meta, "regularMarketVolume");
    quote.volume =
        volume != nullptr && volume->is_number() ? clamped_volume(volume->get<double>()) : 0;
    read_yahoo_session(meta, &quote.session);
    quote.market = market_text(quote.session, nullptr);
    return finished(std::move(quote));
}

// True when no array or object in `body` lies more than `limit` levels deep;
// brackets inside strings do not count. One pass, nothing allocated.
bool nests_within(std::string_view body, size_t limit) {
    size_t depth = 0;
    bool in_string = false;
    bool escaped = false;
    for (char c : body) {
        if (in_string) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                in_string = false;
            }
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return false;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

// The answer's tree, or a discarded value when it is no JSON, nests too deep
// or the tree does not fit in memory: each of those is an unreadable answer,
// never the end of the gateway.
json parsed(std::string_view body) {
    if (!nests_within(body, kMaxAnswerDepth)) return json(json::value_t::discarded);
    try {
        return json::parse(body.begin(), body.end(), nullptr, false);
    } catch (const std::bad_alloc &) {
        return json(json::value_t::discarded);
    }
}

}  // namespace

SourceReading read_nasdaq_answer(std::string_view body) {
    json answer = parsed(body);
    return answer.is_discarded() ? verdict_only(AnswerVerdict::malformed) : read_nasdaq(answer);
}

SourceReading read_yahoo_answer(std::string_view body) {
    json answer = parsed(body);
    return answer.is_discarded() ? verdict_only(AnswerVerdict::malformed) : read_yahoo(answer);
}

std::string nasdaq_quote_url(const std::string &base, const std::string &symbol,
                             const std::string &asset_class) {
    return base + "/api/quote/" + path_segment(symbol) + "/info?assetclass=" + asset_class;
}

std::string nasdaq_detail_url(const std::string &symbol, const std::string &asset_class) {
    return "https://www.nasdaq.com/market-activity/" + asset_class + "/" +
           path_segment(lower_case(symbol));
}

std::string yahoo_quote_url(const std::string &base, const std::string &symbol) {
    return base + "/v8/finance/chart/" + path_segment(yahoo_symbol(symbol)) +
           "?range=1d&interval=1d";
}

std::string yahoo_detail_url(const std::string &symbol) {
    return "https://finance.yahoo.com/quote/" + path_segment(yahoo_symbol(symbol));
}

std::string yahoo_symbol(const std::string &symbol) {
    std::string_view suffix = exchange_suffix(symbol);
    std::string spelled = symbol;
    if (suffix.size() == 2 && !is_yahoo_exchange_suffix(suffix)) {
        spelled[symbol.size() - 2] = '-';
    }
    return spelled;
}

bool nasdaq_lists(const std::string &symbol) {
    if (symbol.find_first_of("^=") != std::string::npos) return false;
    return !is_yahoo_exchange_suffix(exchange_suffix(symbol)) && !is_crypto_pair(symbol);
}

const char *verdict_text(AnswerVerdict verdict) {
    switch (verdict) {
    case AnswerVerdict::quote:
        return "quote";
    case AnswerVerdict::unknown_symbol:
        return "unknown symbol";
    case AnswerVerdict::no_price:
        return "no price";
    case AnswerVerdict::malformed:
        break;
    }
    return "malformed";
}

#include "gateway/source_answers.h"

#include <float.h>
#include <math.h>

#include <charconv>

#include <nlohmann/json.hpp>

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

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
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

// Yahoo writes share classes with '-' where exchanges write '.' (BRK.B).
std::string yahoo_symbol(std::string symbol) {
    for (char &c : symbol) {
        if (c == '.') c = '-';
    }
    return symbol;
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

// "308.16 - 316.53": the day's low and high, in whichever order they come.
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

SourceReading read_nasdaq(const json &answer, const std::string &symbol) {
    if (!answer.is_object()) return verdict_only(AnswerVerdict::malformed);
    const json *data = member(&answer, "data");
    if (data != nullptr && data->is_null()) return verdict_only(AnswerVerdict::unknown_symbol);
    if (data == nullptr || !data->is_object()) return verdict_only(AnswerVerdict::malformed);

    LiveQuote quote;
    const json *primary = member(data, "primaryData");
    quote.last_sale = price_text(text_of(member(primary, "lastSalePrice")));
    double previous = 0.0;
    double change = 0.0;
    std::string_view change_text = trimmed(text_of(member(primary, "netChange")));
    if (parse_amount(text_of(path(data, "keyStats", "PreviousClose", "value")), &previous) &&
        is_price(previous)) {
        quote.previous_close = previous;
    } else if (change_text == "UNCH") {
        quote.previous_close = quote.last_sale;
    } else if (quote.last_sale > 0.0 && parse_amount(change_text, &change) &&
               is_price(quote.last_sale - change)) {
        quote.previous_close = quote.last_sale - change;
    }
    std::string_view volume = text_of(path(data, "keyStats", "Volume", "value"));
    quote.volume = volume_text(volume.empty() ? text_of(member(primary, "volume")) : volume);
    read_day_range(text_of(path(data, "keyStats", "dayrange", "value")), &quote);
    quote.market = std::string(text_of(member(data, "exchange")));
    quote.detail_url =
        "https://www.nasdaq.com/market-activity/stocks/" + path_segment(lower_case(symbol));
    return finished(std::move(quote));
}

SourceReading read_yahoo(const json &answer, const std::string &symbol) {
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
    quote.volume = volume != nullptr && volume->is_number() ? clamped_volume(volume->get<double>()) : 0;
    std::string_view market = text_of(member(meta, "fullExchangeName"));
    quote.market = std::string(market.empty() ? text_of(member(meta, "exchangeName")) : market);
    quote.detail_url = "https://finance.yahoo.com/quote/" + path_segment(yahoo_symbol(symbol));
    return finished(std::move(quote));
}

}  // namespace

const char *source_name(QuoteSource source) {
    return source == QuoteSource::nasdaq ? "nasdaq" : "yahoo";
}

std::string source_quote_url(QuoteSource source, const std::string &base,
                             const std::string &symbol) {
    if (source == QuoteSource::nasdaq) {
        return base + "/api/quote/" + path_segment(symbol) + "/info?assetclass=stocks";
    }
    return base + "/v8/finance/chart/" + path_segment(yahoo_symbol(symbol)) +
           "?range=1d&interval=1d";
}

SourceReading read_source_answer(QuoteSource source, std::string_view body,
                                 const std::string &symbol) {
    json answer = json::parse(body.begin(), body.end(), nullptr, false);
    if (answer.is_discarded()) return verdict_only(AnswerVerdict::malformed);
    return source == QuoteSource::nasdaq ? read_nasdaq(answer, symbol) : read_yahoo(answer, symbol);
}

const char *verdict_text(AnswerVerdict verdict) {
    switch (verdict) {
    case AnswerVerdict::quote: return "quote";
    case AnswerVerdict::unknown_symbol: return "unknown symbol";
    case AnswerVerdict::no_price: return "no price";
    case AnswerVerdict::malformed: break;
    }
    return "malformed";
}

#include "gateway/gateway_options.h"

#include "gateway/gateway_limits.h"

namespace {

constexpr uint32_t kMaxCacheSeconds = 86400;

// Decimal digits only, within [minimum, maximum].
bool parse_number(const std::string &text, uint32_t minimum, uint32_t maximum, uint32_t *value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (number < minimum || number > maximum) return false;
    *value = static_cast<uint32_t>(number);
    return true;
}

bool starts_with(const std::string &text, const char *prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// http:// or https://, then a host of printable characters; a trailing '/'
// is dropped so that paths can be appended.
bool parse_base(std::string text, std::string *base) {
    size_t scheme_end = starts_with(text, "https://") ? 8 : starts_with(text, "http://") ? 7 : 0;
    if (scheme_end == 0) return false;
    for (char c : text) {
        if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F)
            return false;
    }
    while (text.size() > scheme_end && text.back() == '/') text.pop_back();
    size_t host_end = text.find_first_of("/?#", scheme_end);
    if (host_end == scheme_end || text.size() == scheme_end) return false;
    if (text.find_first_of("?#", scheme_end) != std::string::npos) return false;
    *base = text;
    return true;
}

bool parse_source(const std::string &text, LiveSourceChoice *source) {
    if (text == "nasdaq") *source = LiveSourceChoice::nasdaq;
    else if (text == "yahoo") *source = LiveSourceChoice::yahoo;
    else if (text == "auto") *source = LiveSourceChoice::automatic;
    else return false;
    return true;
}

bool parse_session(const std::string &text, SessionChoice *session) {
    if (text == "regular") *session = SessionChoice::regular;
    else if (text == "extended") *session = SessionChoice::extended;
    else return false;
    return true;
}

// One option that takes a value; false with `error` set when the value is
// bad.
bool parse_valued_option(const std::string &name, const std::string &value, GatewayOptions *options,
                         std::string *error) {
    uint32_t number = 0;
    bool good = true;
    std::string expected;
    if (name == "--port") {
        good = parse_number(value, 1, 65535, &number);
        options->port = static_cast<uint16_t>(number);
        expected = "a port number from 1 to 65535";
    } else if (name == "--source") {
        good = parse_source(value, &options->source);
        expected = "nasdaq, yahoo or auto";
    } else if (name == "--session") {
        good = parse_session(value, &options->session);
        expected = "regular or extended";
    } else if (name == "--nasdaq-base") {
        good = parse_base(value, &options->nasdaq_base);
        expected = "an http:// or https:// address";
    } else if (name == "--yahoo-base") {
        good = parse_base(value, &options->yahoo_base);
        expected = "an http:// or https:// address";
    } else if (name == "--cache-seconds") {
        good = parse_number(value, 0, kMaxCacheSeconds, &options->cache_seconds);
        expected = "a number of seconds from 0 to 86400";
    } else if (name == "--listen-delay") {
        good = parse_number(value, 0, kMaxListenDelaySeconds, &options->listen_delay_seconds);
        expected = "a number of seconds from 0 to " + std::to_string(kMaxListenDelaySeconds);
    } else if (name == "--start-ticker") {
        good = !value.empty();
        options->start_ticker = value;
        expected = "a program file";
    } else {  // --log
        good = !value.empty();
        options->log_file = value;
        expected = "a file name";
    }
    if (!good) *error = name + " \"" + value + "\" is not valid: expected " + expected + ".";
    return good;
}

bool takes_value(const std::string &name) {
    return name == "--port" || name == "--source" || name == "--session" ||
           name == "--nasdaq-base" || name == "--yahoo-base" || name == "--cache-seconds" ||
           name == "--log" || name == "--start-ticker" || name == "--listen-delay";
}

}  // namespace

bool parse_gateway_options(const std::vector<std::string> &arguments, GatewayOptions *options,
                           std::string *error) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string &name = arguments[i];
        if (name == "--stop") {
            options->stop = true;
        } else if (name == "--no-notify") {
            options->notify = false;
        } else if (!takes_value(name)) {
            *error = "Unknown argument \"" + name + "\".";
            return false;
        } else if (i + 1 == arguments.size()) {
            *error = name + " needs a value.";
            return false;
        } else if (!parse_valued_option(name, arguments[++i], options, error)) {
            return false;
        }
    }
    return true;
}

const char *gateway_usage() {
    return "Usage: \"" GATEWAY_FILE_NAME
           "\" [--port N] [--source nasdaq|yahoo|auto] [--session regular|extended]\n"
           "    [--nasdaq-base URL] [--yahoo-base URL] [--cache-seconds N] [--log FILE] [--stop]\n"
           "    [--no-notify] [--start-ticker FILE] [--listen-delay N]";
}

#include "gateway/quote_request.h"

namespace {

constexpr size_t kMaxSymbolLength = 15;

bool same_letters(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX escapes decoded (a client may escape '^'); a broken escape stays as
// it is and fails the symbol check.
std::string percent_decoded(std::string_view text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
            hex_value(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The value of the first "symbol=" parameter, decoded; `found` says
// whether there was one.
std::string symbol_parameter(std::string_view query, bool *found) {
    *found = false;
    while (!query.empty()) {
        size_t end = query.find('&');
        std::string_view parameter = query.substr(0, end);
        if (parameter.substr(0, 7) == "symbol=") {
            *found = true;
            return percent_decoded(parameter.substr(7));
        }
        if (end == std::string_view::npos) break;
        query.remove_prefix(end + 1);
    }
    return {};
}

// The path and query of the target, or a refusal status.
int target_path(std::string_view target, std::string_view *path_and_query) {
    if (target.size() >= 7 && same_letters(target.substr(0, 7), "http://")) {
        size_t slash = target.find('/', 7);
        if (slash == std::string_view::npos) return 404;
        target.remove_prefix(slash);
    } else if (target.empty() || target.front() != '/') {
        return 400;
    }
    *path_and_query = target;
    return 200;
}

QuoteRequestHead refused(int status) {
    QuoteRequestHead head;
    head.status = status;
    return head;
}

QuoteRequestHead read_request_line(std::string_view line) {
    size_t first_space = line.find(' ');
    size_t second_space = line.find(' ', first_space == std::string_view::npos ? 0 : first_space + 1);
    if (first_space == std::string_view::npos || second_space == std::string_view::npos) {
        return refused(400);
    }
    std::string_view method = line.substr(0, first_space);
    std::string_view target = line.substr(first_space + 1, second_space - first_space - 1);
    std::string_view version = line.substr(second_space + 1);
    if (version.substr(0, 7) != "HTTP/1.") return refused(400);
    if (method != "GET") return refused(405);

    std::string_view path_and_query;
    int status = target_path(target, &path_and_query);
    if (status != 200) return refused(status);
    size_t question = path_and_query.find('?');
    if (!same_letters(path_and_query.substr(0, question), "/quote.dll")) return refused(404);
    if (question == std::string_view::npos) return refused(400);

    bool found = false;
    std::string symbol = symbol_parameter(path_and_query.substr(question + 1), &found);
    if (!found || !is_valid_symbol(symbol)) return refused(400);
    for (char &c : symbol) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    QuoteRequestHead head;
    head.status = 200;
    head.symbol = symbol;
    return head;
}

}  // namespace

bool is_valid_symbol(std::string_view symbol) {
    if (symbol.empty() || symbol.size() > kMaxSymbolLength) return false;
    for (char c : symbol) {
        bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '^' || c == '=';
        if (!allowed) return false;
    }
    return true;
}

QuoteRequestHead read_quote_request(std::string_view received) {
    size_t head_end = received.find("\r\n\r\n");
    if (head_end == std::string_view::npos) {
        return received.size() > kMaxRequestHeadBytes ? refused(431) : QuoteRequestHead();
    }
    if (head_end + 4 > kMaxRequestHeadBytes) return refused(431);
    return read_request_line(received.substr(0, received.find("\r\n")));
}

#include "gateway/page_request.h"

#include "gateway/plain_text.h"

namespace {

bool same_letters(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

bool starts_with_letters(std::string_view text, std::string_view lower) {
    return text.size() >= lower.size() && same_letters(text.substr(0, lower.size()), lower);
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
    if (starts_with_letters(target, "http://")) {
        size_t slash = target.find('/', 7);
        if (slash == std::string_view::npos) return 404;
        target.remove_prefix(slash);
    } else if (target.empty() || target.front() != '/') {
        return 400;
    }
    *path_and_query = target;
    return 200;
}

PageRequestHead refused(int http_status) {
    PageRequestHead head;
    head.http_status = http_status;
    return head;
}

// The status routes, matched on the path alone: a query (a script's cache
// breaker) changes nothing.
bool is_status_route(std::string_view target, RequestKind *kind) {
    std::string_view path = target.substr(0, target.find('?'));
    if (path == "/" || path == "/status") {
        *kind = RequestKind::status_page;
        return true;
    }
    if (path == "/status.json") {
        *kind = RequestKind::status_json;
        return true;
    }
    return false;
}

// What the request's headers (the lines after the request line) say about
// who sends it.
struct HeaderFacts {
    int host_count = 0;
    std::string_view host;  // the last Host header's value
    // Origin, Referer or any Sec-Fetch-*: sent by browsers, never by the
    // plug-in's WinINet request.
    bool from_browser = false;
};

HeaderFacts header_facts(std::string_view headers) {
    HeaderFacts facts;
    while (!headers.empty()) {
        size_t end = headers.find("\r\n");
        std::string_view line = headers.substr(0, end);
        size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            std::string_view name = trimmed(line.substr(0, colon));
            if (same_letters(name, "host")) {
                facts.host = trimmed(line.substr(colon + 1));
                ++facts.host_count;
            }
            if (same_letters(name, "origin") || same_letters(name, "referer") ||
                starts_with_letters(name, "sec-fetch-")) {
                facts.from_browser = true;
            }
        }
        if (end == std::string_view::npos) break;
        headers.remove_prefix(end + 2);
    }
    return facts;
}

// The quote host the plug-in is built with, with or without ":80": Wine
// writes the port into the absolute address, Windows may leave it out.
bool is_quote_host(std::string_view host) {
    std::string_view name(MQ_QUOTE_HOST);
    if (!starts_with_letters(host, name)) return false;
    std::string_view port = host.substr(name.size());
    return port.empty() || port == ":80";
}

// Only the ticker's request reaches the sources: a page in a browser that
// points at the gateway cannot fill its watchlist or spend the sources'
// patience, and after DNS rebinding it cannot read the answers either.
bool is_ticker_request(std::string_view target, std::string_view headers) {
    if (starts_with_letters(target, "http://")) {
        std::string_view authority = target.substr(7, target.find('/', 7) - 7);
        if (!is_quote_host(authority)) return false;
    }
    HeaderFacts facts = header_facts(headers);
    return facts.host_count == 1 && is_quote_host(facts.host) && !facts.from_browser;
}

// A status request is answered only for the gateway's own address; several
// Host headers are a malformed request.
PageRequestHead status_request(RequestKind kind, std::string_view headers, uint16_t own_port) {
    HeaderFacts facts = header_facts(headers);
    if (facts.host_count > 1) return refused(400);
    if (facts.host_count == 0 || !is_own_host(facts.host, own_port)) return refused(421);
    PageRequestHead head;
    head.http_status = 200;
    head.kind = kind;
    return head;
}

PageRequestHead read_request(std::string_view line, std::string_view headers, uint16_t own_port) {
    size_t first_space = line.find(' ');
    size_t second_space =
        line.find(' ', first_space == std::string_view::npos ? 0 : first_space + 1);
    if (first_space == std::string_view::npos || second_space == std::string_view::npos) {
        return refused(400);
    }
    std::string_view method = line.substr(0, first_space);
    std::string_view target = line.substr(first_space + 1, second_space - first_space - 1);
    std::string_view version = line.substr(second_space + 1);
    if (version.substr(0, 7) != "HTTP/1.") return refused(400);
    if (method != "GET") return refused(405);

    // Origin form only: an absolute target is a request for the gateway as
    // a proxy, and as a proxy it serves the quote page and nothing else.
    RequestKind kind;
    if (own_port != 0 && is_status_route(target, &kind)) {
        return status_request(kind, headers, own_port);
    }

    std::string_view path_and_query;
    int http_status = target_path(target, &path_and_query);
    if (http_status != 200) return refused(http_status);
    size_t question = path_and_query.find('?');
    if (!same_letters(path_and_query.substr(0, question), "/quote.dll")) return refused(404);
    if (question == std::string_view::npos) return refused(400);

    bool found = false;
    std::string symbol = symbol_parameter(path_and_query.substr(question + 1), &found);
    if (!found || !is_valid_symbol(symbol)) return refused(400);
    if (!is_ticker_request(target, headers)) return refused(403);
    for (char &c : symbol) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    PageRequestHead head;
    head.http_status = 200;
    head.symbol = symbol;
    return head;
}

}  // namespace

bool is_own_host(std::string_view host, uint16_t port) {
    const std::string port_text = std::to_string(port);
    for (std::string_view name : {"127.0.0.1", "localhost", "[::1]"}) {
        if (host.size() < name.size() || !same_letters(host.substr(0, name.size()), name)) continue;
        std::string_view rest = host.substr(name.size());
        if (rest.empty()) return port == 80;
        return rest[0] == ':' && rest.substr(1) == port_text;
    }
    return false;
}

PageRequestHead read_page_request(std::string_view received, uint16_t own_port) {
    size_t head_end = received.find("\r\n\r\n");
    if (head_end == std::string_view::npos) {
        return received.size() > kMaxRequestHeadBytes ? refused(431) : PageRequestHead();
    }
    if (head_end + 4 > kMaxRequestHeadBytes) return refused(431);
    size_t line_end = received.find("\r\n");
    std::string_view headers = line_end == head_end
                                   ? std::string_view()
                                   : received.substr(line_end + 2, head_end - line_end);
    return read_request(received.substr(0, line_end), headers, own_port);
}

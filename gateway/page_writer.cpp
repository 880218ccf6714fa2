#include "gateway/page_writer.h"

#include <charconv>

#include "plugin/quote_plugin.h"

namespace {

// Shortest text that reads back as the same double; the plug-in's decimal
// reader takes plain and exponent forms alike.
std::string number_text(double value) {
    char text[32];
    auto result = std::to_chars(text, text + sizeof(text), value);
    return std::string(text, result.ptr);
}

std::string number_row(const char *label, const std::string &value) {
    return std::string("<tr><td>") + label + "</td><td align=\"right\">&nbsp;" + value +
           "</td></tr>\n";
}

const char *reason_phrase(int http_status) {
    switch (http_status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 421:
        return "Misdirected Request";
    case 431:
        return "Request Header Fields Too Large";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

// The status page draws only on its own inline style; everything else a
// browser could fetch, frame or submit is refused.
const char kStatusHeaders[] =
    "X-Content-Type-Options: nosniff\r\n"
    "X-Frame-Options: DENY\r\n"
    "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; "
    "form-action 'none'; frame-ancestors 'none'\r\n";

std::string answer(int http_status, const char *content_type, const char *extra_headers,
                   const std::string &body) {
    return "HTTP/1.1 " + std::to_string(http_status) + " " + reason_phrase(http_status) +
           "\r\nContent-Type: " + content_type +
           "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nCache-Control: no-store\r\n" + extra_headers + "Connection: close\r\n\r\n" + body;
}

}  // namespace

std::string page_safe_text(const std::string &text, size_t limit) {
    std::string safe;
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (safe.size() == limit) break;
        if (byte < 0x20 || byte >= 0x7F || c == '<' || c == '>' || c == '"') continue;
        safe += c;
    }
    return safe;
}

// Each marker is searched from the top of the page, so the numbers come
// first and the one text a source chooses freely, the market, comes last:
// whatever it says, it cannot stand in for a marker above it.
std::string quote_page(const std::string &symbol, const LiveQuote &quote) {
    std::string page = "<html><head><title>" + symbol + " - Stock Quote</title></head><body>\n";
    page += "<table class=\"quote\">\n";
    page += number_row("Last Sale:", number_text(quote.last_sale));
    page += number_row("Previous Close:", number_text(quote.previous_close));
    page += number_row("Today's High:", number_text(quote.todays_high));
    page += number_row("Today's Low:", number_text(quote.todays_low));
    page +=
        "<tr><td>Volume:</td><td align=\"right\">" + std::to_string(quote.volume) + "</td></tr>\n";
    page += "<tr><td><a href=\"/offsite_quotes.asp\"><meta name=\"detail\" content=" +
            page_safe_text(quote.detail_url, MQX_DETAIL_URL_SIZE - 1) + "\"></a></td></tr>\n";
    page += "<tr><td><b>Market : " + page_safe_text(quote.market, MQX_MARKET_SIZE - 1) +
            "</b></td></tr>\n";
    page += "</table></body></html>\n";
    return page;
}

std::string no_quote_page(const std::string &symbol, const std::string &reason) {
    return "<html><head><title>No quote</title></head><body>\n<p>No quote for " + symbol + ": " +
           page_safe_text(reason, 200) + ".</p>\n</body></html>\n";
}

std::string http_answer(int http_status, const std::string &body) {
    return answer(http_status, "text/html", "", body);
}

std::string status_answer(RequestKind kind, const GatewayStatus &status) {
    if (kind == RequestKind::status_json) {
        return answer(200, "application/json", kStatusHeaders, status_json(status));
    }
    return answer(200, "text/html; charset=utf-8", kStatusHeaders, status_html(status));
}

std::string refusal_answer(int http_status) {
    return http_answer(http_status, std::string("<html><body>") + std::to_string(http_status) +
                                        " " + reason_phrase(http_status) + "</body></html>\n");
}

// The quote page the gateway serves in place of the exchange's old one, and
// the HTTP answers around it and around the status page.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_PAGE_WRITER_H
#define MORVANE_GATEWAY_PAGE_WRITER_H

#include <stddef.h>

#include <string>

#include "gateway/live_quote.h"
#include "gateway/page_request.h"
#include "gateway/status_page.h"

// Drops '<', '>', '"', control characters and bytes above 127, then cuts the
// text to `limit` characters.
std::string page_safe_text(const std::string &text, size_t limit);

// The page with every field of the quote under the markers the Nasdaq
// plug-in reads. `symbol` is already checked.
std::string quote_page(const std::string &symbol, const LiveQuote &quote);

// A page that carries none of those markers, saying why in plain words.
std::string no_quote_page(const std::string &symbol, const std::string &reason);

// A complete HTTP/1.1 answer that closes the connection: status line,
// Content-Type text/html, Content-Length, then `body`.
std::string http_answer(int http_status, const std::string &body);

// The status page (status_page) or its JSON (status_json) as a complete 200
// answer that no other site may read, frame or script: no CORS header, a
// Content-Security-Policy that allows inline style and nothing else, nosniff,
// no framing, not stored.
std::string status_answer(RequestKind kind, const GatewayStatus &status);

// A short HTML answer for a refused request.
std::string refusal_answer(int http_status);

#endif

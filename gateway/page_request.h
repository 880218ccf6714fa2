// Reading the requests the gateway answers: a GET of the quote page in the
// ticker's shape, in the absolute form a client sends to its proxy
// (http://HOST:80/Quote.dll?...) or in origin form (/Quote.dll?...), where
// HOST and the one Host header name the quote host the plug-in is built with
// (MQ_QUOTE_HOST) and no header only browsers send is present; and a GET of
// its own status page (/, /status) or its JSON (/status.json), in origin
// form only and only when the Host header names the gateway's own loopback
// address.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_PAGE_REQUEST_H
#define MORVANE_GATEWAY_PAGE_REQUEST_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>

#include "gateway/gateway_limits.h"

enum class RequestKind { quote_page, status_page, status_json };

struct PageRequestHead {
    // 0 while the head is still incomplete; 200 for a quote-page request
    // in the ticker's shape whose symbol is valid, or a status request from
    // the gateway's own address; else the 4xx status to refuse it with (403
    // for a quote-page request in any other shape).
    int http_status = 0;
    RequestKind kind = RequestKind::quote_page;  // meaningful with http_status 200
    std::string symbol;  // upper case; set only with http_status 200 and quote_page
};

// Looks at what has arrived on a connection so far. `own_port` is the port
// the gateway listens on: a status request is answered only when its Host
// header is that port on 127.0.0.1, localhost or [::1] (421 otherwise), so
// a web page that points a name of its own at 127.0.0.1 reads nothing.
// With 0 the status routes are refused with 404, like any other path.
PageRequestHead read_page_request(std::string_view received, uint16_t own_port = 0);

// True when `host`, a Host header's value, is exactly 127.0.0.1:PORT,
// localhost:PORT (any case) or [::1]:PORT; without ":PORT" only for port 80,
// which browsers leave out.
bool is_own_host(std::string_view host, uint16_t port);

#endif

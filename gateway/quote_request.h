// Reading the one request the gateway answers: a GET of the quote page, in
// origin form (/Quote.dll?...) or in the absolute form a client sends to its
// proxy (http://host:80/Quote.dll?...), for any host.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_QUOTE_REQUEST_H
#define MORVANE_GATEWAY_QUOTE_REQUEST_H

#include <stddef.h>

#include <string>
#include <string_view>

#include "gateway/gateway_limits.h"

struct QuoteRequestHead {
    // 0 while the head is still incomplete; 200 for a quote-page request
    // whose symbol is valid; else the 4xx status to refuse it with.
    int status = 0;
    std::string symbol;  // upper case; set only with status 200
};

// Looks at what has arrived on a connection so far.
QuoteRequestHead read_quote_request(std::string_view received);

// 1 to 15 characters, each a letter, a digit or one of ". - ^ =".
bool is_valid_symbol(std::string_view symbol);

#endif

// Small readers of the plain texts the gateway takes in (request heads,
// source answers, headers, its own watchlist): no locale, no exceptions.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_PLAIN_TEXT_H
#define MORVANE_GATEWAY_PLAIN_TEXT_H

#include <stdint.h>

#include <string_view>

#include "gateway/gateway_limits.h"

// `text` without the spaces and tabs around it.
inline std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The whole of `text` as an unsigned decimal of 1 to 12 digits.
inline bool read_digits(std::string_view text, int64_t *value) {
    if (text.empty() || text.size() > 12) return false;
    *value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        *value = *value * 10 + (c - '0');
    }
    return true;
}

// A ticker symbol: 1 to kMaxSymbolLength characters, each a letter, a digit
// or one of ". - ^ =".
inline bool is_valid_symbol(std::string_view symbol) {
    if (symbol.empty() || symbol.size() > kMaxSymbolLength) return false;
    for (char c : symbol) {
        bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '^' || c == '=';
        if (!allowed) return false;
    }
    return true;
}

#endif

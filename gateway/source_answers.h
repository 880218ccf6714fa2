// The live sources' public JSON answers read into a LiveQuote, and the
// symbols and addresses each source knows them by.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_SOURCE_ANSWERS_H
#define MORVANE_GATEWAY_SOURCE_ANSWERS_H

#include <string>
#include <string_view>

#include "gateway/live_quote.h"

enum class AnswerVerdict {
    quote,           // a usable quote with a last sale above 0
    unknown_symbol,  // the source says it has no such symbol
    no_price,        // well-formed, but no last sale above 0
    malformed,       // not JSON, or not the shape the source answers in
};

struct SourceReading {
    AnswerVerdict verdict = AnswerVerdict::malformed;
    LiveQuote quote;  // filled only for AnswerVerdict::quote; no detail_url
};

// Nasdaq's api/quote/SYM/info answer. Outside the regular session the
// figures are the regular session's, as Yahoo gives them.
SourceReading read_nasdaq_answer(std::string_view body);

// Yahoo's v8/finance/chart answer. A price in another currency than
// dollars names it after the exchange: "LSE (GBp)".
SourceReading read_yahoo_answer(std::string_view body);

// Symbols below are already checked (letters, digits, ". - ^ =") and upper
// case; `base` carries no trailing '/'; `asset_class` is one of Nasdaq's
// (stocks, etf, index).
std::string nasdaq_quote_url(const std::string &base, const std::string &symbol,
                             const std::string &asset_class);
std::string nasdaq_detail_url(const std::string &symbol, const std::string &asset_class);
std::string yahoo_quote_url(const std::string &base, const std::string &symbol);
std::string yahoo_detail_url(const std::string &symbol);

// The symbol as Yahoo spells it: an exchange suffix stays (VOD.L), a US
// share class takes a '-' (BRK.B -> BRK-B).
std::string yahoo_symbol(const std::string &symbol);

// False for what only Yahoo lists: a listing abroad (VOD.L), an index or
// rate (^TNX), a currency or future (EURUSD=X, GC=F), a crypto pair
// (BTC-USD).
bool nasdaq_lists(const std::string &symbol);

// Short text for the log: "quote", "unknown symbol", "no price", "malformed".
const char *verdict_text(AnswerVerdict verdict);

#endif

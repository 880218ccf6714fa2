// The two live sources' public JSON answers, read into a LiveQuote, and the
// addresses they are asked at.
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
    LiveQuote quote;  // filled only for AnswerVerdict::quote
};

// The address of the symbol's quote at the source; `base` carries no
// trailing '/'. `symbol` is already checked (letters, digits, . - ^ =) and
// upper case.
std::string source_quote_url(QuoteSource source, const std::string &base,
                             const std::string &symbol);

// Reads a source's answer body for `symbol`.
SourceReading read_source_answer(QuoteSource source, std::string_view body,
                                 const std::string &symbol);

// Short text for the log: "quote", "unknown symbol", "no price", "malformed".
const char *verdict_text(AnswerVerdict verdict);

#endif

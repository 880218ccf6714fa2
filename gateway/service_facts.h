// What the quote service knows of its sources and of the symbols it was
// asked for, as plain facts: times on the service's clock, outcomes as the
// log writes them. The status page builds its view from these.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_SERVICE_FACTS_H
#define MORVANE_GATEWAY_SERVICE_FACTS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "gateway/source_chain.h"

struct SymbolFacts {
    std::string symbol;
    uint64_t asked_at = 0;     // the last request for it
    std::string last_outcome;  // what that request got: "quote", "no quote: ..."
    bool has_quote = false;    // a quote was served, the one below
    ServedQuote served;
    uint64_t quoted_at = 0;  // when that quote was fetched
    // Its market's session is over and the quote is served as it stands
    // until the next one: it is not stale however old.
    bool final_quote = false;
};

struct ServiceFacts {
    uint64_t now = 0;  // the service's clock when the facts were taken
    uint32_t cache_seconds = 0;
    std::vector<std::string> source_order;
    std::vector<SourceReport> sources;  // in the order they are asked
    std::vector<SymbolFacts> symbols;   // asked within kStatusSymbolsMs
};

#endif

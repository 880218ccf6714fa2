// Where a quote comes from: the cache, else the live sources.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_QUOTE_SERVICE_H
#define MORVANE_GATEWAY_QUOTE_SERVICE_H

#include <stdint.h>

#include <map>
#include <mutex>
#include <string>

#include "gateway/gateway_options.h"
#include "gateway/live_quote.h"
#include "gateway/source_chain.h"

class QuoteService {
public:
    QuoteService(const GatewayOptions &options, UpstreamFetch fetch, MonotonicClock clock);
    QuoteService(const QuoteService &) = delete;
    QuoteService &operator=(const QuoteService &) = delete;

    // The quote for a checked, upper-case symbol. Safe to call from several
    // threads at once.
    ServedQuote quote(const std::string &symbol);

private:
    struct Cached {
        LiveQuote quote;
        std::string source;
        uint64_t fetched_at;
    };

    bool from_cache(const std::string &symbol, ServedQuote *served);
    void remember(const std::string &symbol, const ServedQuote &served);

    uint64_t cache_ms_;
    MonotonicClock clock_;
    SourceChain chain_;
    std::mutex mutex_;  // guards cache_
    std::map<std::string, Cached> cache_;
};

#endif

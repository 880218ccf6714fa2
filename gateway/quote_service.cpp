#include "gateway/quote_service.h"

#include <utility>

QuoteService::QuoteService(const GatewayOptions &options, UpstreamFetch fetch,
                           MonotonicClock clock)
    : cache_ms_(uint64_t{options.cache_seconds} * 1000),
      clock_(clock),
      chain_(options, std::move(fetch), std::move(clock)) {}

bool QuoteService::from_cache(const std::string &symbol, ServedQuote *served) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = cache_.find(symbol);
    if (found == cache_.end() || clock_() - found->second.fetched_at >= cache_ms_) return false;
    served->found = true;
    served->quote = found->second.quote;
    served->source = found->second.source;
    served->outcome = "cached";
    return true;
}

void QuoteService::remember(const std::string &symbol, const ServedQuote &served) {
    if (cache_ms_ == 0 || !served.found) return;
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t now = clock_();
    if (cache_.size() >= kCacheSweepSize) {
        for (auto entry = cache_.begin(); entry != cache_.end();) {
            entry = now - entry->second.fetched_at >= cache_ms_ ? cache_.erase(entry) : std::next(entry);
        }
    }
    cache_[symbol] = Cached{served.quote, served.source, now};
}

ServedQuote QuoteService::quote(const std::string &symbol) {
    ServedQuote served;
    if (from_cache(symbol, &served)) return served;
    served = chain_.fetch(symbol, true);
    remember(symbol, served);
    return served;
}

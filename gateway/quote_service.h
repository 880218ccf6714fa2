// Where a quote comes from: the cache, then the sources in their order, each
// asked at most once per quote, within one time budget, and a source that
// asked us to slow down left alone for a while.
//
// Portable: no Windows header. The upstream fetch and the clock are handed
// in, so the rules run the same against WinINet and against a test's fakes.
#ifndef MORVANE_GATEWAY_QUOTE_SERVICE_H
#define MORVANE_GATEWAY_QUOTE_SERVICE_H

#include <stdint.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "gateway/gateway_options.h"
#include "gateway/live_quote.h"

// The whole upstream exchange for one quote, all sources together; below
// the ticker's own 10 s wait for the page.
constexpr uint32_t kUpstreamBudgetMs = 8000;
// How long a source that answered 429 or 403 is left alone.
constexpr uint32_t kSourceRestMs = 60000;
// Upstream bodies above this are dropped unread.
constexpr size_t kMaxUpstreamBodyBytes = 1024 * 1024;

struct UpstreamAnswer {
    enum class Kind { answered, timed_out, unreachable, too_large };
    Kind kind = Kind::unreachable;
    int status = 0;    // HTTP status when answered
    std::string body;  // when answered
};

// GETs `url` within `budget_ms`; never longer.
using UpstreamFetch = std::function<UpstreamAnswer(const std::string &url, uint32_t budget_ms)>;
// Milliseconds from any fixed start; never goes back.
using MonotonicClock = std::function<uint64_t()>;

struct ServedQuote {
    bool found = false;
    LiveQuote quote;
    std::string source = "-";  // the source that answered, or was asked last
    std::string outcome;       // for the log: "quote", "cached", "no quote: ..."
};

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
        QuoteSource source;
        uint64_t fetched_at;
    };
    struct Attempt;

    bool from_cache(const std::string &symbol, ServedQuote *served);
    void remember(const std::string &symbol, const LiveQuote &quote, QuoteSource source);
    bool is_resting(QuoteSource source);
    void rest(QuoteSource source);
    Attempt ask(QuoteSource source, const std::string &symbol, uint32_t budget_ms);

    GatewayOptions options_;
    UpstreamFetch fetch_;
    MonotonicClock clock_;
    std::mutex mutex_;  // guards cache_ and rested_until_
    std::map<std::string, Cached> cache_;
    uint64_t rested_until_[2] = {0, 0};
};

#endif

// One quote from the live sources: asked in their order, each at most once
// per quote (a source's asset classes one after the other), all within one
// time budget, never more requests at once to a source than a polite
// client makes nor more a minute than its request budget, and a source
// that asked us to slow down left alone for a while.
//
// Portable: no Windows header. The upstream fetch and the clock are handed
// in, so the rules run the same against WinINet and against a test's fakes.
#ifndef MORVANE_GATEWAY_SOURCE_CHAIN_H
#define MORVANE_GATEWAY_SOURCE_CHAIN_H

#include <stdint.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gateway/gateway_limits.h"
#include "gateway/gateway_options.h"
#include "gateway/live_quote.h"
#include "gateway/live_sources.h"
#include "gateway/upstream_answer.h"
#include "gateway/request_slots.h"

struct ServedQuote {
    bool found = false;
    LiveQuote quote;
    std::string source = "-";  // the source that answered, or was asked last
    std::string outcome;       // for the log: "quote", "cached", "no quote: ..."
    bool unknown = false;      // every source asked said it has no such symbol
};

// What one source has done lately, for the status page; times are the
// chain's clock.
struct SourceReport {
    const char *name = "";
    bool resting = false;
    uint64_t resting_until = 0;
    bool budget_spent = false;    // no request may be sent to it before ...
    uint64_t budget_back_at = 0;  // ... then
    bool has_success = false;     // an answer was read
    uint64_t last_success_at = 0;
    bool failing = false;  // the last request failed ...
    uint64_t failing_since = 0;
    std::string last_error;  // ... and why; also the 429 or 403 that rests it
    unsigned answers_last_hour = 0;
    unsigned quotes_last_hour = 0;  // of those, the ones that gave a quote
};

class SourceChain {
public:
    SourceChain(const GatewayOptions &options, UpstreamFetch fetch, MonotonicClock clock);
    SourceChain(const SourceChain &) = delete;
    SourceChain &operator=(const SourceChain &) = delete;

    // Asks the sources for a checked, upper-case symbol. A fetch someone
    // waits for (`asked`) gets a free request slot before any prefetch.
    // Safe to call from several threads at once.
    ServedQuote fetch(const std::string &symbol, bool asked);

    // Ends every wait for a request slot; what is asked from then on fails.
    void stop();

    const std::vector<LiveSource> &sources() const { return sources_; }

    // Each source's report, in the order they are asked.
    std::vector<SourceReport> report();

private:
    struct Attempt;
    struct Record {
        SourceReport report;
        std::deque<std::pair<uint64_t, bool>> answers;  // when, and whether quoted
    };
    struct SymbolMemory {
        std::vector<size_t> asset_class;  // per source: the class that last quoted it
        size_t preferred = 0;             // a source to ask first ...
        uint64_t preferred_until = 0;     // ... until then
    };

    std::vector<size_t> order_for(const std::string &symbol);
    size_t first_class(const std::string &symbol, size_t source);
    void remember_class(const std::string &symbol, size_t source, size_t asset_class);
    void prefer(const std::string &symbol, size_t source);
    SymbolMemory &memory_of(const std::string &symbol);
    Attempt ask_source(size_t source, const std::string &symbol, uint64_t deadline, bool asked);
    Attempt ask(size_t source, const std::string &url, uint64_t deadline, bool asked);
    bool is_resting(size_t source);
    void rest(size_t source, uint32_t retry_after_ms);
    void read_answer(size_t source, const UpstreamAnswer &answer, Attempt *attempt);
    void note_result(size_t source, bool failed, bool quoted, const std::string &failure);

    std::vector<LiveSource> sources_;
    UpstreamFetch fetch_;
    MonotonicClock clock_;
    std::mutex mutex_;  // guards everything below
    std::condition_variable slot_freed_;
    std::vector<uint64_t> rested_until_;
    std::vector<Record> records_;
    std::shared_ptr<RequestSlots> slots_;
    std::map<std::string, SymbolMemory> memory_;
};

#endif

// Where a quote comes from: the cache, else the live sources. A request
// that finds its quote stale or missing also sets every other symbol of the
// watchlist whose quote is stale to be fetched at once, by a few workers of
// the service's own, so that the ticker's requests one after the other cost
// a few upstream round trips in all rather than one each. A symbol is
// fetched once at a time: whoever asks for it meanwhile waits for that fetch.
// A symbol joins the watchlist once a source quoted it; one that every source
// calls unknown is answered from memory for a day and never prefetched. A
// quote whose market's session is over is final: served from memory, and
// not prefetched, until the next session its answer states, or for at most
// an hour when it states none (market_session).
//
// Portable: no Windows header. The fetch, the clocks and the watchlist's
// store are handed in, so the rules run the same against WinINet and the
// registry as against a test's fakes.
#ifndef MORVANE_GATEWAY_QUOTE_SERVICE_H
#define MORVANE_GATEWAY_QUOTE_SERVICE_H

#include <stdint.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gateway/gateway_options.h"
#include "gateway/live_quote.h"
#include "gateway/service_facts.h"
#include "gateway/source_chain.h"
#include "gateway/watchlist.h"

// Seconds since 1970; the watchlist outlives the process, so its times do.
using WallClock = std::function<int64_t()>;

struct QuoteServiceHooks {
    UpstreamFetch fetch;
    MonotonicClock clock;
    WallClock wall_clock;
    // The watchlist as last saved, and where to save it; either may be empty.
    std::function<std::string()> load_watchlist;
    std::function<void(const std::string &)> save_watchlist;
    // Told of every prefetched quote, for the log; may be empty.
    std::function<void(const std::string &symbol, const ServedQuote &served, uint32_t ms)>
        prefetched;
    // Threads that prefetch; none leaves every fetch to the request that
    // asks for it.
    size_t prefetch_workers = kRequestsPerSource;
};

class QuoteService {
public:
    QuoteService(const GatewayOptions &options, QuoteServiceHooks hooks);
    // Stops and waits for the service's workers.
    ~QuoteService();
    QuoteService(const QuoteService &) = delete;
    QuoteService &operator=(const QuoteService &) = delete;

    // The quote for a checked, upper-case symbol. Safe to call from several
    // threads at once.
    ServedQuote quote(const std::string &symbol);

    // Ends every wait and drops what is queued; workers end after the fetch
    // in hand, whose budget bounds them.
    void stop();

    // The sources and the symbols asked within a day, for the status page.
    ServiceFacts status();

private:
    struct Entry {
        enum class Flight { none, queued, fetching };
        Flight flight = Flight::none;
        uint64_t fetches = 0;  // fetches finished, for those who wait on one
        int waiters = 0;       // requests waiting on the fetch in flight
        bool tried = false;    // asked of the sources at tried_at
        uint64_t tried_at = 0;
        ServedQuote last;  // what the last fetch gave
        uint64_t quoted_at = 0;
        // Every source called the symbol unknown: so it is taken until then.
        uint64_t unknown_until = 0;
        // The market is closed: the quote is final until then (wall clock).
        int64_t final_until = 0;
        bool prefetched = false;  // the quote came from a prefetch, not yet served
        // What the last request for the symbol got, for the status page.
        bool asked = false;
        uint64_t asked_at = 0;
        std::string asked_outcome;
        bool has_served = false;  // a quote was served, the one below
        ServedQuote served;
        uint64_t served_quoted_at = 0;
    };

    void note_asked(const std::string &symbol);
    Entry &entry_of(const std::string &symbol);
    bool is_fresh(const Entry &entry, uint64_t now) const;
    bool is_final(const Entry &entry) const;
    ServedQuote fetched(const std::string &symbol, bool asked);
    static bool is_known_unknown(const Entry &entry, uint64_t now);
    ServedQuote quote_unnoted(const std::string &symbol);
    void note_served(const std::string &symbol, const ServedQuote &served);
    ServedQuote served_from_cache(Entry &entry);
    ServedQuote wait_for_fetch(std::unique_lock<std::mutex> &lock, const std::string &symbol);
    void queue_stale_symbols(const std::string &asked, uint64_t now);
    int64_t final_time(const MarketSession &session);
    void record(Entry &entry, const ServedQuote &served, bool prefetch);
    void prefetch_loop();

    uint64_t cache_ms_;
    SessionChoice session_;
    QuoteServiceHooks hooks_;
    SourceChain chain_;
    std::mutex save_mutex_;  // keeps the watchlist's saves in order
    std::mutex mutex_;       // guards everything below
    std::condition_variable changed_;
    bool stopping_ = false;
    Watchlist watchlist_;
    std::map<std::string, Entry> entries_;
    // By market time zone, the latest answer that states a session to come.
    std::map<std::string, MarketSession> zone_sessions_;
    std::deque<std::string> queue_;
    std::vector<std::thread> workers_;
};

#endif

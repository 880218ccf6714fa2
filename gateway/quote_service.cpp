#include "gateway/quote_service.h"

#include <utility>

#include "gateway/market_session.h"

QuoteService::QuoteService(const GatewayOptions &options, QuoteServiceHooks hooks)
    : cache_ms_(uint64_t{options.cache_seconds} * 1000),
      session_(options.session),
      hooks_(std::move(hooks)),
      chain_(options, hooks_.fetch, hooks_.clock) {
    if (hooks_.load_watchlist) watchlist_ = Watchlist::loaded(hooks_.load_watchlist());
    // Without a cache a prefetched quote could serve no one.
    if (cache_ms_ == 0) return;
    for (size_t i = 0; i < hooks_.prefetch_workers; ++i) {
        workers_.emplace_back([this] { prefetch_loop(); });
    }
}

QuoteService::~QuoteService() {
    stop();
    for (std::thread &worker : workers_) worker.join();
}

void QuoteService::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        for (const std::string &symbol : queue_) entries_[symbol].flight = Entry::Flight::none;
        queue_.clear();
    }
    chain_.stop();
    changed_.notify_all();
}

void QuoteService::note_asked(const std::string &symbol) {
    std::lock_guard<std::mutex> saving(save_mutex_);
    std::string text;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!watchlist_.note(symbol, hooks_.wall_clock())) return;
        text = watchlist_.saved();
    }
    if (hooks_.save_watchlist) hooks_.save_watchlist(text);
}

// Entries no fetch holds, no request waits on and no quote keeps fresh are
// swept once there are many; an entry in flight or waited on is never swept,
// so references to it stay good.
QuoteService::Entry &QuoteService::entry_of(const std::string &symbol) {
    if (entries_.size() >= kCacheSweepSize && entries_.count(symbol) == 0) {
        uint64_t now = hooks_.clock();
        for (auto entry = entries_.begin(); entry != entries_.end();) {
            bool idle = entry->second.flight == Entry::Flight::none && entry->second.waiters == 0 &&
                        !is_fresh(entry->second, now);
            entry = idle ? entries_.erase(entry) : std::next(entry);
        }
    }
    return entries_[symbol];
}

bool QuoteService::is_fresh(const Entry &entry, uint64_t now) const {
    return entry.last.found && (now - entry.quoted_at < cache_ms_ || is_final(entry));
}

bool QuoteService::is_final(const Entry &entry) const {
    return entry.final_until != 0 && hooks_.wall_clock() < entry.final_until;
}

// The sources' figures as served now, for the session choice.
ServedQuote QuoteService::fetched(const std::string &symbol, bool asked) {
    ServedQuote served = chain_.fetch(symbol, asked);
    if (served.found) served.quote = served_quote(served.quote, hooks_.wall_clock(), session_);
    return served;
}

bool QuoteService::is_known_unknown(const Entry &entry, uint64_t now) {
    return now < entry.unknown_until;
}

ServedQuote QuoteService::served_from_cache(Entry &entry) {
    ServedQuote served = entry.last;
    served.outcome = entry.prefetched ? "prefetched" : "cached";
    entry.prefetched = false;
    return served;
}

// Another's fetch of the symbol is under way: its answer is this one's too.
// The fetch in flight for `symbol`, waited for. Between the fetch's end and
// this request's waking, another request may sweep the cache: the entry is
// kept while it is waited on, and found again by its symbol on waking.
ServedQuote QuoteService::wait_for_fetch(std::unique_lock<std::mutex> &lock,
                                         const std::string &symbol) {
    uint64_t fetches = entries_.at(symbol).fetches;
    ++entries_.at(symbol).waiters;
    changed_.wait(lock, [&] { return stopping_ || entries_.at(symbol).fetches != fetches; });
    Entry &entry = entries_.at(symbol);
    --entry.waiters;
    if (entry.fetches == fetches) {
        ServedQuote served;
        served.outcome = "no quote: stopping";
        return served;
    }
    return entry.last.found ? served_from_cache(entry) : entry.last;
}

// Every other symbol of the watchlist whose quote is stale, not already on
// its way, and not asked of the sources within the cache period.
void QuoteService::queue_stale_symbols(const std::string &asked, uint64_t now) {
    bool queued = false;
    for (const std::string &symbol : watchlist_.symbols(hooks_.wall_clock())) {
        if (symbol == asked) continue;
        Entry &entry = entry_of(symbol);
        if (entry.flight != Entry::Flight::none || is_fresh(entry, now) ||
            is_known_unknown(entry, now)) {
            continue;
        }
        if (entry.tried && now - entry.tried_at < cache_ms_) continue;
        entry.flight = Entry::Flight::queued;
        queue_.push_back(symbol);
        queued = true;
    }
    if (queued) changed_.notify_all();
}

// Until when figures read against `session` are final. An answer that
// states no next session borrows the one the latest answer of its market's
// zone states: Nasdaq's say "ET" and no times, Yahoo's name their zone and
// the day's sessions.
int64_t QuoteService::final_time(const MarketSession &session) {
    int64_t now = hooks_.wall_clock();
    if (session.zone.empty()) return final_until(session, now, session_);
    auto known = zone_sessions_.find(session.zone);
    if (next_session_start(session, now) != 0 &&
        (known != zone_sessions_.end() || zone_sessions_.size() < kMaxKnownZones)) {
        MarketSession &kept = zone_sessions_[session.zone];
        if (session.regular.start >= kept.regular.start) kept = session;
        known = zone_sessions_.find(session.zone);
    }
    int64_t zone_next = known == zone_sessions_.end() ? 0 : next_session_start(known->second, now);
    return final_until(session, now, session_, zone_next);
}

void QuoteService::record(Entry &entry, const ServedQuote &served, bool prefetch) {
    uint64_t now = hooks_.clock();
    ++entry.fetches;
    entry.flight = Entry::Flight::none;
    entry.tried = true;
    entry.tried_at = now;
    entry.last = served;
    entry.unknown_until = served.unknown ? now + kUnknownSymbolMs : 0;
    // Without a cache nothing is served from memory, final or not.
    entry.final_until = served.found && cache_ms_ > 0 ? final_time(served.quote.session) : 0;
    if (served.found) {
        entry.quoted_at = now;
        entry.prefetched = prefetch;
    }
}

// Only a symbol that got a quote joins the watchlist: one no source knows,
// or one that came in while every source failed, would otherwise be
// prefetched with every refresh for a week.
ServedQuote QuoteService::quote(const std::string &symbol) {
    ServedQuote served = quote_unnoted(symbol);
    if (served.found) note_asked(symbol);
    note_served(symbol, served);
    return served;
}

void QuoteService::note_served(const std::string &symbol, const ServedQuote &served) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry &entry = entry_of(symbol);
    entry.asked = true;
    entry.asked_at = hooks_.clock();
    entry.asked_outcome = served.outcome;
    if (!served.found) return;
    entry.has_served = true;
    entry.served = served;
    entry.served_quoted_at = entry.quoted_at;
}

ServedQuote QuoteService::quote_unnoted(const std::string &symbol) {
    std::unique_lock<std::mutex> lock(mutex_);
    Entry &entry = entry_of(symbol);
    uint64_t now = hooks_.clock();
    if (is_fresh(entry, now)) return served_from_cache(entry);
    if (is_known_unknown(entry, now)) {
        ServedQuote served;
        served.outcome = "no quote: unknown symbol";
        return served;
    }
    if (entry.flight == Entry::Flight::fetching) return wait_for_fetch(lock, symbol);
    if (entry.flight == Entry::Flight::queued) {
        // Asked for now: fetched here at once rather than behind the others.
        for (auto queued = queue_.begin(); queued != queue_.end(); ++queued) {
            if (*queued == symbol) {
                queue_.erase(queued);
                break;
            }
        }
    }
    entry.flight = Entry::Flight::fetching;
    if (!workers_.empty() && !stopping_) queue_stale_symbols(symbol, now);
    lock.unlock();
    ServedQuote served = fetched(symbol, true);
    lock.lock();
    record(entry, served, false);
    changed_.notify_all();
    return served;
}

void QuoteService::prefetch_loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        std::string symbol = queue_.front();
        queue_.pop_front();
        Entry &entry = entries_[symbol];
        entry.flight = Entry::Flight::fetching;
        lock.unlock();
        uint64_t started = hooks_.clock();
        ServedQuote served = fetched(symbol, false);
        uint32_t ms = static_cast<uint32_t>(hooks_.clock() - started);
        lock.lock();
        record(entry, served, true);
        changed_.notify_all();
        if (hooks_.prefetched) {
            lock.unlock();
            hooks_.prefetched(symbol, served, ms);
            lock.lock();
        }
    }
}

ServiceFacts QuoteService::status() {
    ServiceFacts facts;
    facts.cache_seconds = static_cast<uint32_t>(cache_ms_ / 1000);
    for (const LiveSource &source : chain_.sources()) facts.source_order.push_back(source.name);
    facts.sources = chain_.report();
    std::lock_guard<std::mutex> lock(mutex_);
    facts.now = hooks_.clock();
    for (const auto &[symbol, entry] : entries_) {
        if (!entry.asked || facts.now - entry.asked_at > kStatusSymbolsMs) continue;
        SymbolFacts row;
        row.symbol = symbol;
        row.asked_at = entry.asked_at;
        row.last_outcome = entry.asked_outcome;
        row.has_quote = entry.has_served;
        row.served = entry.served;
        row.quoted_at = entry.served_quoted_at;
        row.final_quote = is_final(entry) && entry.served_quoted_at == entry.quoted_at;
        facts.symbols.push_back(row);
    }
    return facts;
}

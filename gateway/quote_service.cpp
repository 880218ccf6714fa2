#include "gateway/quote_service.h"

#include <utility>

#include "gateway/source_answers.h"

namespace {

// Below this much time left, asking another source cannot succeed.
constexpr uint32_t kMinimumAttemptMs = 250;
// A source with another behind it gets at most this much of the budget, so
// that the other still has time to answer when the first hangs.
constexpr uint32_t kFirstSourceShareMs = 5000;
// Expired entries are swept once the cache holds this many symbols.
constexpr size_t kCacheSweepSize = 4096;

int source_index(QuoteSource source) { return source == QuoteSource::nasdaq ? 0 : 1; }

const std::string &source_base(const GatewayOptions &options, QuoteSource source) {
    return source == QuoteSource::nasdaq ? options.nasdaq_base : options.yahoo_base;
}

bool is_rate_limit(int status) { return status == 429 || status == 403; }

}  // namespace

struct QuoteService::Attempt {
    bool found = false;
    LiveQuote quote;
    std::string failure;  // why not, when not found
};

QuoteService::QuoteService(const GatewayOptions &options, UpstreamFetch fetch,
                           MonotonicClock clock)
    : options_(options), fetch_(std::move(fetch)), clock_(std::move(clock)) {}

bool QuoteService::from_cache(const std::string &symbol, ServedQuote *served) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = cache_.find(symbol);
    if (found == cache_.end() ||
        clock_() - found->second.fetched_at >= uint64_t{options_.cache_seconds} * 1000) {
        return false;
    }
    served->found = true;
    served->quote = found->second.quote;
    served->source = source_name(found->second.source);
    served->outcome = "cached";
    return true;
}

void QuoteService::remember(const std::string &symbol, const LiveQuote &quote,
                            QuoteSource source) {
    if (options_.cache_seconds == 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t now = clock_();
    if (cache_.size() >= kCacheSweepSize) {
        for (auto entry = cache_.begin(); entry != cache_.end();) {
            bool expired = now - entry->second.fetched_at >= uint64_t{options_.cache_seconds} * 1000;
            entry = expired ? cache_.erase(entry) : std::next(entry);
        }
    }
    cache_[symbol] = Cached{quote, source, now};
}

bool QuoteService::is_resting(QuoteSource source) {
    std::lock_guard<std::mutex> lock(mutex_);
    return clock_() < rested_until_[source_index(source)];
}

void QuoteService::rest(QuoteSource source) {
    std::lock_guard<std::mutex> lock(mutex_);
    rested_until_[source_index(source)] = clock_() + kSourceRestMs;
}

QuoteService::Attempt QuoteService::ask(QuoteSource source, const std::string &symbol,
                                        uint32_t budget_ms) {
    Attempt attempt;
    UpstreamAnswer answer =
        fetch_(source_quote_url(source, source_base(options_, source), symbol), budget_ms);
    switch (answer.kind) {
    case UpstreamAnswer::Kind::timed_out: attempt.failure = "time-out"; return attempt;
    case UpstreamAnswer::Kind::unreachable: attempt.failure = "unreachable"; return attempt;
    case UpstreamAnswer::Kind::too_large: attempt.failure = "answer too large"; return attempt;
    case UpstreamAnswer::Kind::answered: break;
    }
    std::string status = "http " + std::to_string(answer.status);
    if (is_rate_limit(answer.status)) {
        rest(source);
        attempt.failure = "rate limited (" + status + ")";
        return attempt;
    }
    // Yahoo says "unknown symbol" with a 404 and a JSON body.
    if (answer.status != 200 && answer.status != 404) {
        attempt.failure = status;
        return attempt;
    }
    SourceReading reading = read_source_answer(source, answer.body, symbol);
    attempt.found = reading.verdict == AnswerVerdict::quote;
    attempt.quote = std::move(reading.quote);
    bool plain_404 = answer.status == 404 && reading.verdict != AnswerVerdict::unknown_symbol;
    attempt.failure = plain_404 ? status : verdict_text(reading.verdict);
    return attempt;
}

ServedQuote QuoteService::quote(const std::string &symbol) {
    ServedQuote served;
    if (from_cache(symbol, &served)) return served;

    QuoteSource order[2] = {QuoteSource::nasdaq, QuoteSource::yahoo};
    int first = options_.source == SourceChoice::yahoo ? 1 : 0;
    int last = options_.source == SourceChoice::nasdaq ? 0 : 1;
    uint64_t deadline = clock_() + kUpstreamBudgetMs;
    std::string failures;
    for (int i = first; i <= last; ++i) {
        QuoteSource source = order[i];
        served.source = source_name(source);
        uint64_t now = clock_();
        Attempt attempt;
        if (is_resting(source)) {
            attempt.failure = "resting";
        } else if (now + kMinimumAttemptMs > deadline) {
            attempt.failure = "no time left";
        } else {
            uint64_t budget = deadline - now;
            if (i < last && budget > kFirstSourceShareMs) budget = kFirstSourceShareMs;
            attempt = ask(source, symbol, static_cast<uint32_t>(budget));
        }
        if (attempt.found) {
            remember(symbol, attempt.quote, source);
            served.found = true;
            served.quote = std::move(attempt.quote);
            served.outcome = failures.empty() ? "quote" : "quote after " + failures;
            return served;
        }
        failures += (failures.empty() ? "" : "; ") + std::string(source_name(source)) + ": " +
                    attempt.failure;
    }
    served.outcome = "no quote: " + failures;
    return served;
}

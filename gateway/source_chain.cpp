#include "gateway/source_chain.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

bool is_rate_limit(int http_status) { return http_status == 429 || http_status == 403; }

}  // namespace

struct SourceChain::Attempt {
    bool found = false;
    AnswerVerdict verdict = AnswerVerdict::malformed;
    LiveQuote quote;
    std::string failure;  // why not, when not found
};

SourceChain::SourceChain(const GatewayOptions &options, UpstreamFetch fetch, MonotonicClock clock)
    : sources_(live_sources(options)),
      fetch_(std::move(fetch)),
      clock_(std::move(clock)),
      rested_until_(sources_.size(), 0),
      records_(sources_.size()),
      slots_(std::make_shared<RequestSlots>(sources_.size(), clock_)) {}

SourceChain::SymbolMemory &SourceChain::memory_of(const std::string &symbol) {
    if (memory_.size() >= kMaxRememberedSymbols && memory_.count(symbol) == 0) memory_.clear();
    SymbolMemory &memory = memory_[symbol];
    if (memory.asset_class.empty()) memory.asset_class.assign(sources_.size(), 0);
    return memory;
}

// The sources that can know the symbol, in their order, with the one that
// last quoted it after another said it does not exist first; all of them
// when none can.
std::vector<size_t> SourceChain::order_for(const std::string &symbol) {
    std::vector<size_t> order;
    for (size_t i = 0; i < sources_.size(); ++i) {
        if (sources_[i].lists == nullptr || sources_[i].lists(symbol)) order.push_back(i);
    }
    if (order.empty()) {
        for (size_t i = 0; i < sources_.size(); ++i) order.push_back(i);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = memory_.find(symbol);
    if (found != memory_.end() && clock_() < found->second.preferred_until) {
        auto preferred = std::find(order.begin(), order.end(), found->second.preferred);
        if (preferred != order.end()) std::rotate(order.begin(), preferred, preferred + 1);
    }
    return order;
}

size_t SourceChain::first_class(const std::string &symbol, size_t source) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = memory_.find(symbol);
    return found == memory_.end() ? 0 : found->second.asset_class[source];
}

void SourceChain::remember_class(const std::string &symbol, size_t source, size_t asset_class) {
    std::lock_guard<std::mutex> lock(mutex_);
    memory_of(symbol).asset_class[source] = asset_class;
}

void SourceChain::prefer(const std::string &symbol, size_t source) {
    std::lock_guard<std::mutex> lock(mutex_);
    SymbolMemory &memory = memory_of(symbol);
    memory.preferred = source;
    memory.preferred_until = clock_() + kPreferredSourceMs;
}

bool SourceChain::is_resting(size_t source) {
    std::lock_guard<std::mutex> lock(mutex_);
    return clock_() < rested_until_[source];
}

void SourceChain::rest(size_t source, uint32_t retry_after_ms) {
    uint32_t rest_ms = std::min(std::max(retry_after_ms, kSourceRestMs), kLongestSourceRestMs);
    std::lock_guard<std::mutex> lock(mutex_);
    rested_until_[source] = std::max(rested_until_[source], clock_() + rest_ms);
}

void SourceChain::stop() { slots_->stop(); }

SourceChain::Attempt SourceChain::ask(size_t source, const std::string &url, uint64_t deadline,
                                      bool asked) {
    Attempt attempt;
    if (is_resting(source)) {
        attempt.failure = "resting";
        return attempt;
    }
    FetchHold slot;
    RequestSlots::Wait wait = clock_() + kMinimumAttemptMs > deadline
                                  ? RequestSlots::Wait::no_time
                                  : slots_->take(source, deadline, asked, &slot);
    if (wait != RequestSlots::Wait::taken) {
        attempt.failure =
            wait == RequestSlots::Wait::budget_spent ? "request budget spent" : "no time left";
        return attempt;
    }
    uint64_t now = clock_();
    uint32_t budget = static_cast<uint32_t>(deadline > now ? deadline - now : 0);
    UpstreamAnswer answer = fetch_(url, budget, slot);
    // The answer is read while the slot is held, so reading, too, counts
    // against the requests a source may have at once.
    switch (answer.kind) {
    case UpstreamAnswer::Kind::timed_out:
        attempt.failure = "time-out";
        break;
    case UpstreamAnswer::Kind::unreachable:
        attempt.failure = "unreachable";
        break;
    case UpstreamAnswer::Kind::too_large:
        attempt.failure = "answer too large";
        break;
    case UpstreamAnswer::Kind::answered:
        read_answer(source, answer, &attempt);
        break;
    }
    slot.reset();
    // A source that says it has no such symbol, or no price for it, still
    // answers; anything else is the source failing.
    bool failed = !attempt.found && attempt.verdict != AnswerVerdict::unknown_symbol &&
                  attempt.verdict != AnswerVerdict::no_price;
    note_result(source, failed, attempt.found, attempt.failure);
    return attempt;
}

void SourceChain::read_answer(size_t source, const UpstreamAnswer &answer, Attempt *attempt) {
    std::string http_status = "http " + std::to_string(answer.http_status);
    if (is_rate_limit(answer.http_status)) {
        rest(source, answer.retry_after_ms);
        attempt->failure = "rate limited (" + http_status + ")";
        return;
    }
    // Yahoo says "unknown symbol" with a 404 and a JSON body.
    if (answer.http_status != 200 && answer.http_status != 404) {
        attempt->failure = http_status;
        return;
    }
    SourceReading reading = sources_[source].read(answer.body);
    attempt->verdict = reading.verdict;
    attempt->found = reading.verdict == AnswerVerdict::quote;
    attempt->quote = std::move(reading.quote);
    bool plain_404 = answer.http_status == 404 && reading.verdict != AnswerVerdict::unknown_symbol;
    if (plain_404) attempt->verdict = AnswerVerdict::malformed;
    attempt->failure = plain_404 ? http_status : verdict_text(reading.verdict);
}

void SourceChain::note_result(size_t source, bool failed, bool quoted, const std::string &failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t now = clock_();
    Record &record = records_[source];
    record.answers.emplace_back(now, quoted);
    while (!record.answers.empty() && (now - record.answers.front().first > kSourceReportMs ||
                                       record.answers.size() > kMaxReportedAnswers)) {
        record.answers.pop_front();
    }
    SourceReport &report = record.report;
    if (!failed) {
        report.has_success = true;
        report.last_success_at = now;
    } else if (!report.failing) {
        report.failing_since = now;
    }
    report.failing = failed;
    if (failed) report.last_error = failure;
}

std::vector<SourceReport> SourceChain::report() {
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t now = clock_();
    std::vector<SourceReport> reports;
    for (size_t i = 0; i < sources_.size(); ++i) {
        SourceReport report = records_[i].report;
        report.name = sources_[i].name;
        report.resting = now < rested_until_[i];
        report.resting_until = rested_until_[i];
        report.budget_back_at = slots_->budget_back_at(i, now);
        report.budget_spent = report.budget_back_at > now;
        for (const auto &answer : records_[i].answers) {
            if (now - answer.first > kSourceReportMs) continue;
            ++report.answers_last_hour;
            report.quotes_last_hour += answer.second ? 1 : 0;
        }
        reports.push_back(report);
    }
    return reports;
}

// One source's turn: its asset classes from the one that last quoted the
// symbol, the next only while the one before says the symbol does not exist.
SourceChain::Attempt SourceChain::ask_source(size_t source, const std::string &symbol,
                                             uint64_t deadline, bool asked) {
    const LiveSource &row = sources_[source];
    Attempt attempt;
    for (size_t c = first_class(symbol, source); c < row.asset_classes.size(); ++c) {
        const std::string &asset_class = row.asset_classes[c];
        attempt = ask(source, row.quote_url(row.base, symbol, asset_class), deadline, asked);
        if (attempt.found) {
            if (c != first_class(symbol, source)) remember_class(symbol, source, c);
            attempt.quote.detail_url = row.detail_url(symbol, asset_class);
            return attempt;
        }
        if (attempt.verdict != AnswerVerdict::unknown_symbol) break;
    }
    return attempt;
}

ServedQuote SourceChain::fetch(const std::string &symbol, bool asked) {
    ServedQuote served;
    std::vector<size_t> order = order_for(symbol);
    uint64_t deadline = clock_() + kUpstreamBudgetMs;
    std::string failures;
    bool unknown_before = false;
    bool all_unknown = true;
    for (size_t i = 0; i < order.size(); ++i) {
        size_t source = order[i];
        served.source = sources_[source].name;
        uint64_t source_deadline = deadline;
        if (i + 1 < order.size())
            source_deadline = std::min(deadline, clock_() + kFirstSourceShareMs);
        Attempt attempt = ask_source(source, symbol, source_deadline, asked);
        if (attempt.found) {
            if (unknown_before) prefer(symbol, source);
            served.found = true;
            served.quote = std::move(attempt.quote);
            served.outcome = failures.empty() ? "quote" : "quote after " + failures;
            return served;
        }
        unknown_before = unknown_before || attempt.verdict == AnswerVerdict::unknown_symbol;
        all_unknown = all_unknown && attempt.verdict == AnswerVerdict::unknown_symbol;
        failures += (failures.empty() ? "" : "; ") + std::string(sources_[source].name) + ": " +
                    attempt.failure;
    }
    served.outcome = "no quote: " + failures;
    served.unknown = all_unknown;
    return served;
}

#include "gateway/outage_watch.h"

#include "gateway/gateway_limits.h"

namespace {

const char kNoQuote[] = "no quote: ";
const char kUnknown[] = "unknown symbol";
const char kBalloonClose[] = "Morvane Quote keeps its last quotes. Click for details.";
const char kCut[] = "...";

bool starts_with(const std::string &text, const std::string &prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "no quote: nasdaq: unknown symbol; yahoo: unknown symbol": every source
// asked said it does not know the symbol.
bool every_source_unknown(const std::string &reasons) {
    size_t start = 0;
    for (;;) {
        size_t end = reasons.find("; ", start);
        std::string answer = reasons.substr(start, end == std::string::npos ? end : end - start);
        size_t colon = answer.find(": ");
        if (colon == std::string::npos || answer.substr(colon + 2) != kUnknown) return false;
        if (end == std::string::npos) return true;
        start = end + 2;
    }
}

// "14:05" from "14:05:09"; anything shorter stays as it is.
std::string hours_minutes(const std::string &clock) { return clock.substr(0, 5); }

std::string source_words(const SourceStatus &source) {
    std::string words = source.name + ": ";
    switch (source.state) {
    case SourceState::answering:
        return words + "answering";
    case SourceState::resting:
        return words + (source.last_error.empty() ? "" : source.last_error + ", ") +
               "resting until " + hours_minutes(source.resting_until);
    case SourceState::failing:
        return words + source.last_error + " since " + hours_minutes(source.failing_since);
    case SourceState::idle:
        break;
    }
    return words + "not asked yet";
}

}  // namespace

OutageEvidence outage_evidence(const ServedQuote &served) {
    if (served.found) return OutageEvidence::quote;
    if (!starts_with(served.outcome, kNoQuote)) return OutageEvidence::neither;
    std::string reasons = served.outcome.substr(sizeof(kNoQuote) - 1);
    if (reasons == "stopping" || every_source_unknown(reasons)) return OutageEvidence::neither;
    return OutageEvidence::failure;
}

OutageChange OutageWatch::note(const ServedQuote &served, uint64_t now_ms) {
    OutageEvidence evidence = outage_evidence(served);
    std::lock_guard<std::mutex> lock(mutex_);
    if (evidence == OutageEvidence::quote) {
        failed_ = 0;
        bool was_stopped = stopped_;
        stopped_ = false;
        return was_stopped ? OutageChange::back : OutageChange::none;
    }
    if (evidence == OutageEvidence::neither) return OutageChange::none;
    if (failed_++ == 0) first_failed_at_ = now_ms;
    if (stopped_ || failed_ < kOutageRequests) return OutageChange::none;
    stopped_ = true;
    return OutageChange::stopped;
}

bool OutageWatch::stopped(uint64_t *since_ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) *since_ms = first_failed_at_;
    return stopped_;
}

std::string outage_tooltip(const std::string &since_clock) {
    return "Morvane Quote Gateway: live quotes stopped since " + hours_minutes(since_clock);
}

std::string outage_balloon_text(const std::vector<SourceStatus> &sources) {
    const size_t room = kBalloonTextChars - (sizeof(kBalloonClose) - 1) - 1;  // and a space
    std::string states;
    for (const SourceStatus &source : sources) {
        std::string next = (states.empty() ? "" : "; ") + source_words(source);
        if (states.size() + next.size() + 1 > room) {  // the closing full stop
            states = (states.empty() ? next : states).substr(0, room - (sizeof(kCut) - 1)) + kCut;
            break;
        }
        states += next;
    }
    if (!states.empty() && states.back() != '.') states += '.';
    return states.empty() ? kBalloonClose : states + " " + kBalloonClose;
}

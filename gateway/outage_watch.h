// Whether live quotes have stopped, as the user would say it: since the
// last quote served, every request got no quote, for a reason other than an
// unknown symbol, at least kOutageRequests times. A request for a symbol
// every source says it does not know neither starts nor ends an outage; the
// next quote served ends it. Also the words the notification area shows.
//
// Portable: no Windows header. The time of each request is handed in, so
// the rule runs the same against the gateway's clock and a test's.
#ifndef MORVANE_GATEWAY_OUTAGE_WATCH_H
#define MORVANE_GATEWAY_OUTAGE_WATCH_H

#include <stdint.h>

#include <mutex>
#include <string>
#include <vector>

#include "gateway/source_chain.h"
#include "gateway/status_page.h"

enum class OutageChange { none, stopped, back };

class OutageWatch {
public:
    // One request's answer at `now_ms`; says whether quotes just stopped or
    // just came back. Safe to call from several threads at once.
    OutageChange note(const ServedQuote &served, uint64_t now_ms);

    // True while quotes have stopped, with the time of the first request
    // that got none.
    bool stopped(uint64_t *since_ms);

private:
    std::mutex mutex_;
    unsigned failed_ = 0;  // requests without a quote since the last quote
    uint64_t first_failed_at_ = 0;
    bool stopped_ = false;
};

// What counts for the rule: a quote, a failure, or neither (an unknown
// symbol, a gateway stopping).
enum class OutageEvidence { quote, failure, neither };
OutageEvidence outage_evidence(const ServedQuote &served);

// "Morvane Quote Gateway: live quotes stopped since HH:MM" from "HH:MM:SS".
std::string outage_tooltip(const std::string &since_clock);

// Each source's state in the status page's words, then the closing
// sentence, within kBalloonTextChars: the sources' states are cut at a source
// when it must be, and inside the first one only when that alone is too
// long.
std::string outage_balloon_text(const std::vector<SourceStatus> &sources);

#endif

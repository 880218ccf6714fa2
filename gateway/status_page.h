// The gateway's status page: what it knows about its sources and the
// symbols it was asked for, as HTML for people and as JSON for scripts.
// Both are built from one snapshot of the service's facts taken by the
// caller, whose times a function handed in writes out, so nothing here reads
// a clock.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_STATUS_PAGE_H
#define MORVANE_GATEWAY_STATUS_PAGE_H

#include <stdint.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/service_facts.h"

// The page reloads itself this often.
constexpr unsigned kStatusRefreshSeconds = 10;

enum class SourceState {
    idle,       // not asked since the gateway started
    answering,  // its last answer was read
    resting,    // left alone after a 429 or 403
    failing,    // its last answer failed
};

struct SourceStatus {
    std::string name;  // "nasdaq", "yahoo"
    SourceState state = SourceState::idle;
    std::string last_success;   // "HH:MM:SS", empty when none yet
    std::string resting_until;  // "HH:MM:SS", with resting
    // "HH:MM:SS" when its request budget is spent: no request goes to it
    // before then; empty otherwise.
    std::string budget_back_at;
    std::string last_error;     // in words: "time-out", "http 503", ...
    std::string failing_since;  // "HH:MM:SS", with failing
    unsigned answers_last_hour = 0;
    unsigned quotes_last_hour = 0;  // of those answers, the ones with a quote
};

struct SymbolStatus {
    std::string symbol;
    bool has_quote = false;  // the fields below up to age_seconds are set
    double last_sale = 0.0;
    double previous_close = 0.0;
    std::string source;  // the one that gave that quote
    uint32_t age_seconds = 0;
    std::string last_outcome;  // as the log writes it: "quote", "no quote: ..."
    bool stale = false;        // the quote served is older than it should be
    bool final_quote = false;  // its market is closed: final, however old
    bool failing = false;      // the last request got no quote
};

struct GatewayStatus {
    std::string version;
    uint16_t port = 0;
    std::string started_at;
    uint32_t cache_seconds = 0;
    std::vector<std::string> source_order;
    std::string log_file;               // empty: no log
    std::string quotes_stopped_since;   // "HH:MM:SS" while live quotes have stopped, else empty
    std::vector<SourceStatus> sources;  // in the order they are asked
    std::vector<SymbolStatus> symbols;
    std::vector<std::string> recent_requests;  // log lines, oldest first
};

// The view of `facts`: `time_text` writes a time of the service's clock as
// people read it. The fields the service does not know (version, port,
// start, log, outage, recent requests) are left for the caller.
GatewayStatus status_view(const ServiceFacts &facts,
                          const std::function<std::string(uint64_t)> &time_text);

// "answering", "resting", "failing" or "idle": the page's and the JSON's word.
const char *source_state_word(SourceState state);

// `text` with & < > " ' written as character references, safe in element
// content and in quoted attribute values.
std::string html_escaped(std::string_view text);

// The whole page: inline style only, reloading itself every
// kStatusRefreshSeconds. Every text in `status` is escaped.
std::string status_html(const GatewayStatus &status);

// The same facts as one JSON object (field names in the README); bytes that
// are not UTF-8 come out as U+FFFD.
std::string status_json(const GatewayStatus &status);

#endif

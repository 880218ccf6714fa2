// Every limit the gateway keeps, in one place: sizes, time-outs, how many
// at once, how long it remembers. The ticker waits 10 s for a page; the
// gateway's bounds are set below that.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_GATEWAY_LIMITS_H
#define MORVANE_GATEWAY_GATEWAY_LIMITS_H

#include <stddef.h>
#include <stdint.h>

// --- Asking the live sources ---
// The whole upstream exchange for one quote, all sources together; also
// the bound of every prefetched quote.
constexpr uint32_t kUpstreamBudgetMs = 8000;
// A source with another behind it gets at most this much of the budget, so
// that the other still has time to answer when the first hangs.
constexpr uint32_t kFirstSourceShareMs = 5000;
// Below this much time left, asking another source cannot succeed.
constexpr uint32_t kMinimumAttemptMs = 250;
// How long a source that answered 429 or 403 is left alone, at least and
// at most, whatever its Retry-After says.
constexpr uint32_t kSourceRestMs = 60000;
constexpr uint32_t kLongestSourceRestMs = 3600000;
// Requests to one source at once, as a polite client keeps it.
constexpr size_t kRequestsPerSource = 6;
// Fetch threads at once, whatever asks for them: both sources' slots full.
// A GET holds its slot until its thread ends, so this is never reached
// while the slots are kept.
constexpr size_t kMaxFetchThreads = 2 * kRequestsPerSource;
// Requests a minute to one source, whatever asks for them: a source that
// allows 300 a minute and then rests the client for an hour is never driven
// there, and a flood of symbols costs the sources no more than this.
constexpr uint32_t kSourceRequestsPerMinute = 120;
// Requests one source may be sent at once beyond that rate: a cold refresh
// of a 100-symbol watchlist, each symbol tried in two asset classes, fits in
// whole, so a real refresh never waits on the budget.
constexpr uint32_t kSourceRequestBurst = 200;
// Upstream bodies above this are dropped unread: real answers are a few KB,
// the largest recorded 18 KB.
constexpr size_t kMaxUpstreamBodyBytes = 128 * 1024;
// Answers nested deeper than this are refused before any tree is built: the
// parser spends a frame and the tree a node on each level, so a body of
// brackets alone, many at once, could take the whole address space. Real
// answers nest nine levels at most.
constexpr size_t kMaxAnswerDepth = 32;
// A symbol one source said it does not know, but the next one quoted, is
// asked of that next one first for this long.
constexpr uint64_t kPreferredSourceMs = 24ull * 3600 * 1000;

// A symbol every source called unknown is answered from memory this long,
// with no request upstream.
constexpr uint64_t kUnknownSymbolMs = 24ull * 3600 * 1000;

// --- What it remembers ---
// Expired quotes are swept once the cache holds this many symbols.
constexpr size_t kCacheSweepSize = 4096;
// Per-symbol source memory is dropped whole beyond this many symbols.
constexpr size_t kMaxRememberedSymbols = 4096;
// The watchlist: the symbols asked for, kept across restarts.
constexpr size_t kMaxKnownSymbols = 1000;
constexpr int64_t kKnownSymbolLifeSeconds = 7 * 24 * 3600;
// A stored watchlist is read whole up to this size (1,000 symbols take
// under 28 KB); a larger value, written by something else, is not read.
constexpr uint32_t kMaxStoredWatchlistBytes = 1024 * 1024;

// The log file is moved aside to "<log>.1" (replacing the one before) once
// it would grow beyond this, so that no input can fill a disk: two files of
// this size at most.
constexpr uint64_t kMaxLogFileBytes = 10ull * 1024 * 1024;

// --- What the status page shows ---
// A source's share of answers that gave a quote is counted over this long,
// from at most this many answers.
constexpr uint64_t kSourceReportMs = 3600ull * 1000;
constexpr size_t kMaxReportedAnswers = 100000;
// Symbols asked within this long are listed.
constexpr uint64_t kStatusSymbolsMs = 24ull * 3600 * 1000;
// Request lines shown, the newest.
constexpr size_t kStatusRequestLines = 50;

// --- Telling the user that quotes stopped ---
// Requests in a row without a quote (unknown symbols aside) before the
// notification area says live quotes stopped: one could be a single
// symbol's bad luck, two that the ticker keeps asking and getting nothing.
constexpr unsigned kOutageRequests = 2;
// The notification area's balloon holds this many characters.
constexpr size_t kBalloonTextChars = 255;
// "Live quotes are back" stays this long before its icon goes.
constexpr uint32_t kBackBalloonMs = 10000;
// A gateway that cannot listen shows why this long before it ends.
constexpr uint32_t kStartFailureBalloonMs = 10000;
// --listen-delay at most: enough to play a slow log-on.
constexpr uint32_t kMaxListenDelaySeconds = 60;
// How long the notification thread may take to create its window.
constexpr uint32_t kNoticeStartMs = 5000;

// --- Serving the ticker ---
// A symbol is at most this long (the ticker's own limit).
constexpr size_t kMaxSymbolLength = 15;
// Request line and headers together may not exceed this.
constexpr size_t kMaxRequestHeadBytes = 8192;
// A client gets this long to send its whole request, and to take the answer.
constexpr uint32_t kClientTimeoutMs = 5000;
// Connections served at once; beyond that the oldest one still sending its
// request is closed to make room, and with none such the new one gets a 503.
constexpr long kMaxConnections = 128;
// While a connection sends its request, it is looked at this often for
// having been closed to make room.
constexpr uint32_t kHeadReadSliceMs = 100;
// After the answer, unread request bytes are drained for at most this long.
constexpr uint32_t kDrainTimeoutMs = 1000;
// A connection's one deadline from its accept: its head, its quote, the
// sending of its answer and the drain.
constexpr uint32_t kConnectionDeadlineMs =
    kClientTimeoutMs + kUpstreamBudgetMs + kClientTimeoutMs + kDrainTimeoutMs;

// --- Stopping ---
// At stop every request in progress ends at once, so a connection may still
// take its deadline less the quote.
constexpr uint32_t kStopConnectionsWaitMs = kConnectionDeadlineMs - kUpstreamBudgetMs;
// Then the fetches still in flight are cut short and waited for this long;
// one Wine's WinINet cannot cut short ends with the process.
constexpr uint32_t kStopFetchesWaitMs = 2000;
// --stop waits this long for the gateway's process to end: its connections,
// its fetches, then its prefetch workers and its icon, which end as soon as
// they are told.
constexpr uint32_t kStopWaitMs = kStopConnectionsWaitMs + kStopFetchesWaitMs + 4000;

// --- Closed markets ---
// An answer is taken for the day's final figures only this long after its
// regular session ended: the official close (the closing auction) can come
// a few minutes after the end.
constexpr int64_t kFinalAfterCloseSeconds = 15 * 60;
// Final figures whose answer states no next session are asked again at
// most this long after they were taken (nights, weekends, holidays).
constexpr int64_t kFinalRecheckSeconds = 3600;
// The latest sessions stated for each market time zone are kept for this
// many zones at most, whatever names the sources send.
constexpr size_t kMaxKnownZones = 64;

#endif

// What a GET of a live source gives, and how it is asked for: the types
// the source chain and the WinINet fetch share, so that the fetch needs
// nothing of the chain that calls it.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_UPSTREAM_ANSWER_H
#define MORVANE_GATEWAY_UPSTREAM_ANSWER_H

#include <stdint.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct UpstreamAnswer {
    enum class Kind { answered, timed_out, unreachable, too_large };
    Kind kind = Kind::unreachable;
    int http_status = 0;          // when answered
    std::string body;             // when answered
    uint32_t retry_after_ms = 0;  // what a Retry-After header asked for; 0: none
};

// A source's request slot (request_slots.h), given back once the last copy
// is gone.
using FetchHold = std::shared_ptr<void>;
// GETs `url` and returns within `budget_ms`. The GET keeps `hold` until it
// has itself ended, which, where the network cannot be cut short, may be
// after the fetch has returned.
using UpstreamFetch =
    std::function<UpstreamAnswer(const std::string &url, uint32_t budget_ms, FetchHold hold)>;
// Milliseconds from any fixed start; never goes back.
using MonotonicClock = std::function<uint64_t()>;

// A Retry-After header's wait in milliseconds: delay-seconds ("120") or an
// HTTP date ("Wed, 21 Oct 2026 07:28:00 GMT") against `now_seconds` since
// 1970. 0 for anything else or a date gone by.
uint32_t retry_after_ms(std::string_view header, int64_t now_seconds);

#endif

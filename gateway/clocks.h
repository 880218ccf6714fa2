// The gateway's clocks, in one place: the monotonic one its time budgets
// and cache periods run on, and the wall clock its watchlist's dates and its
// log's and status page's times are read from.
#ifndef MORVANE_GATEWAY_CLOCKS_H
#define MORVANE_GATEWAY_CLOCKS_H

#include <stdint.h>

#include <string>

// Milliseconds from an arbitrary start, for QuoteService.
uint64_t monotonic_ms();

// Seconds since 1970 by the system clock.
int64_t unix_seconds();

// "YYYY-MM-DD HH:MM:SS" in local time now, as the log writes it.
std::string local_time_text();

// "HH:MM:SS" in local time for a moment `milliseconds_from_now` away:
// before now when negative, after it when positive.
std::string local_clock_text(int64_t milliseconds_from_now);

#endif

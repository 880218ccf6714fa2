// How many requests one source may still be sent: a steady rate a minute,
// with a burst on top that a whole watchlist's cold refresh fits in, so
// that no input, however many symbols it brings, makes the gateway the
// client a source stops answering.
//
// Portable: no Windows header; times are milliseconds of a clock handed in.
#ifndef MORVANE_GATEWAY_REQUEST_BUDGET_H
#define MORVANE_GATEWAY_REQUEST_BUDGET_H

#include <stdint.h>

class RequestBudget {
public:
    // `per_minute` requests a minute once `burst` are spent.
    RequestBudget(uint32_t per_minute, uint32_t burst);

    // Spends one request at `now`; false, spending nothing, when none is left.
    bool take(uint64_t now);
    // When the next request can be spent: `now` unless the budget is spent.
    uint64_t next_at(uint64_t now) const;
    bool is_spent(uint64_t now) const { return next_at(now) > now; }

private:
    uint64_t interval_ms_;  // one request's share of a minute
    uint64_t burst_ms_;     // how far ahead of the steady rate spending may run
    // Where spending at the steady rate has got to; never behind the clock
    // by more than the burst, so an idle hour saves no more than the burst.
    uint64_t spent_until_ = 0;
};

#endif

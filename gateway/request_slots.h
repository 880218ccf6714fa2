// Each source's request slots: at most kRequestsPerSource GETs in flight at
// once, and no more a minute than its request budget. A slot is held by a
// FetchHold that the GET keeps until it has ended, however long after its
// caller stopped waiting, so "at once" counts the GETs a source sees, not the
// callers still waiting. Every hold shares the table, so it outlives the
// chain when a GET outlives the gateway's stop.
//
// Portable: no Windows header; times are milliseconds of a clock handed in.
#ifndef MORVANE_GATEWAY_REQUEST_SLOTS_H
#define MORVANE_GATEWAY_REQUEST_SLOTS_H

#include <stddef.h>
#include <stdint.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "gateway/request_budget.h"
#include "gateway/upstream_answer.h"

class RequestSlots : public std::enable_shared_from_this<RequestSlots> {
public:
    RequestSlots(size_t sources, MonotonicClock clock);
    RequestSlots(const RequestSlots &) = delete;
    RequestSlots &operator=(const RequestSlots &) = delete;

    enum class Wait { taken, no_time, budget_spent };
    // Waits until `deadline` for one of the source's slots and for its budget
    // to allow one more request; a request someone waits for (`asked`) goes
    // before any prefetch. When taken, `hold` holds the slot until every copy
    // of it is gone.
    Wait take(size_t source, uint64_t deadline, bool asked, FetchHold *hold);

    // Ends every wait; nothing is taken from then on.
    void stop();

    // When the source's budget allows its next request: `now` unless spent.
    uint64_t budget_back_at(size_t source, uint64_t now);

private:
    void give(size_t source);

    MonotonicClock clock_;
    std::mutex mutex_;  // guards everything below
    std::condition_variable freed_;
    std::vector<size_t> in_flight_;
    std::vector<size_t> asked_waiting_;
    std::vector<RequestBudget> budgets_;
    bool stopping_ = false;
};

#endif

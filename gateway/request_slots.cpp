#include "gateway/request_slots.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "gateway/gateway_limits.h"

RequestSlots::RequestSlots(size_t sources, MonotonicClock clock)
    : clock_(std::move(clock)),
      in_flight_(sources, 0),
      asked_waiting_(sources, 0),
      budgets_(sources, RequestBudget(kSourceRequestsPerMinute, kSourceRequestBurst)) {}

RequestSlots::Wait RequestSlots::take(size_t source, uint64_t deadline, bool asked,
                                      FetchHold *hold) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (asked) ++asked_waiting_[source];
    Wait result = Wait::no_time;
    for (;;) {
        if (stopping_) break;
        uint64_t now = clock_();
        bool free = in_flight_[source] < kRequestsPerSource;
        bool my_turn = free && (asked || asked_waiting_[source] == 0);
        if (my_turn && budgets_[source].take(now)) {
            result = Wait::taken;
            break;
        }
        result = my_turn ? Wait::budget_spent : Wait::no_time;
        if (now >= deadline) break;
        uint64_t until = my_turn ? std::min(deadline, budgets_[source].next_at(now)) : deadline;
        freed_.wait_for(lock, std::chrono::milliseconds(std::max<uint64_t>(until - now, 1)));
    }
    if (asked) --asked_waiting_[source];
    if (result != Wait::taken) return result;
    ++in_flight_[source];
    auto table = shared_from_this();
    *hold = FetchHold(table.get(), [table, source](void *) { table->give(source); });
    return result;
}

void RequestSlots::give(size_t source) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        --in_flight_[source];
    }
    freed_.notify_all();
}

void RequestSlots::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    freed_.notify_all();
}

uint64_t RequestSlots::budget_back_at(size_t source, uint64_t now) {
    std::lock_guard<std::mutex> lock(mutex_);
    return budgets_[source].next_at(now);
}

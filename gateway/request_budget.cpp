#include "gateway/request_budget.h"

#include <algorithm>

RequestBudget::RequestBudget(uint32_t per_minute, uint32_t burst)
    : interval_ms_(60000 / std::max<uint32_t>(per_minute, 1)),
      burst_ms_(uint64_t{std::max<uint32_t>(burst, 1) - 1} * interval_ms_) {}

uint64_t RequestBudget::next_at(uint64_t now) const {
    return std::max(now, spent_until_ > burst_ms_ ? spent_until_ - burst_ms_ : 0);
}

bool RequestBudget::take(uint64_t now) {
    if (is_spent(now)) return false;
    spent_until_ = std::max(spent_until_, now) + interval_ms_;
    return true;
}

#include "bench/bench_support.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>

namespace bench {

double now_ms() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

Spread spread(std::vector<double> values) {
    Spread result;
    if (values.empty()) return result;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    result.median = values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    result.low = values.front();
    result.high = values.back();
    return result;
}

Report::Series &Report::series(std::vector<Series> &list, const std::string &name) {
    for (Series &entry : list) {
        if (entry.name == name) return entry;
    }
    list.push_back(Series{name, {}});
    return list.back();
}

void Report::add_time(const std::string &name, double ms) {
    series(times_, name).values.push_back(ms);
}

void Report::add_ratio(const std::string &name, double measured_ms, double limit_ms) {
    series(ratios_, name).values.push_back(limit_ms > 0 ? measured_ms / limit_ms : 0);
}

// Enough digits for a figure from microseconds to minutes.
static const char *time_format(double ms) { return ms < 1 ? "%.4f" : ms < 100 ? "%.2f" : "%.0f"; }

void Report::set_goal(const std::string &ratio_name, double goal) {
    goals_.emplace_back(ratio_name, goal);
}

void Report::print() const {
    size_t rounds = times_.empty() ? 0 : times_.front().values.size();
    printf("%s (%zu run%s; median, lowest..highest)\n", title_.c_str(), rounds,
           rounds == 1 ? "" : "s");
    for (const Series &entry : times_) {
        Spread s = spread(entry.values);
        printf("  %-44s ", entry.name.c_str());
        printf(time_format(s.median), s.median);
        printf(" ms  (");
        printf(time_format(s.low), s.low);
        printf("..");
        printf(time_format(s.high), s.high);
        printf(")\n");
    }
    for (const Series &entry : ratios_) {
        Spread s = spread(entry.values);
        printf("  ratio %-38s %.3f  (%.3f..%.3f)", entry.name.c_str(), s.median, s.low, s.high);
        for (const auto &goal : goals_) {
            if (goal.first != entry.name) continue;
            printf("  goal <= %.2f: %s", goal.second, s.median <= goal.second ? "met" : "MISSED");
        }
        printf("\n");
    }
    fflush(stdout);
}

long number_argument(const char *text, long fallback) {
    if (text == nullptr) return fallback;
    char *end = nullptr;
    long value = strtol(text, &end, 10);
    return end != text && *end == '\0' ? value : fallback;
}

}  // namespace bench

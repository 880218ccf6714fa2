// What every benchmark program shares: a clock, the spread of repeated
// runs, and one way of printing a figure against its limit. Portable: the
// parse benchmark runs natively too.
#ifndef MORVANE_TESTS_BENCH_BENCH_SUPPORT_H
#define MORVANE_TESTS_BENCH_BENCH_SUPPORT_H

#include <string>
#include <utility>
#include <vector>

namespace bench {

// Milliseconds from a fixed start (the steady clock; under MinGW that is
// QueryPerformanceCounter).
double now_ms();

// Median, lowest and highest of repeated runs.
struct Spread {
    double median = 0;
    double low = 0;
    double high = 0;
};
Spread spread(std::vector<double> values);

// Every figure of a benchmark and its ratios, collected round by round.
// Rounds interleave what is compared, so a slower moment of the machine
// weighs on both sides of a ratio alike.
class Report {
public:
    explicit Report(std::string title) : title_(std::move(title)) {}
    // One measured time, in milliseconds.
    void add_time(const std::string &name, double ms);
    // A ratio of two of this round's times (measured / limit).
    void add_ratio(const std::string &name, double measured_ms, double limit_ms);
    // The most a ratio should be; printed beside it as met or missed.
    void set_goal(const std::string &ratio_name, double goal);
    // Prints the median and spread of every time and every ratio.
    void print() const;

private:
    struct Series {
        std::string name;
        std::vector<double> values;
    };
    Series &series(std::vector<Series> &list, const std::string &name);

    std::string title_;
    std::vector<Series> times_;
    std::vector<Series> ratios_;
    std::vector<std::pair<std::string, double>> goals_;
};

// The number in `text`, or `fallback` when it holds none.
long number_argument(const char *text, long fallback);

}  // namespace bench

#endif

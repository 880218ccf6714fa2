// Time of a save and a load of a full list (1000 records). Printed, not
// asserted: the figure depends on the machine and on Wine.
#include <stdio.h>

#include <gtest/gtest.h>

#include "app/settings/settings_store.h"
#include "support/settings_key.h"

namespace {

double milliseconds_since(const LARGE_INTEGER &start) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

class SettingsBenchmark : public mqtest::SettingsKeyTest {};

TEST_F(SettingsBenchmark, SaveAndLoadOfAThousandRecords) {
    char symbol[16];
    for (int n = 0; n < SYMBOL_LIST_MAX_POSITIONS; ++n) {
        snprintf(symbol, sizeof(symbol), "S%03d", n);
        append(mqtest::make_record(symbol, "Benchmark"));
    }
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    settings_save(&state);
    double first_save = milliseconds_since(start);

    QueryPerformanceCounter(&start);
    settings_save(&state);  // over an existing store: the refresh cycle's case
    double save_again = milliseconds_since(start);

    QueryPerformanceCounter(&start);
    settings_load(&state);
    double load = milliseconds_since(start);

    printf(
        "[ BENCHMARK] 1000 records: first save %.1f ms, save over stored list %.1f ms, load %.1f "
        "ms\n",
        first_save, save_again, load);
    EXPECT_EQ(record_count(), SYMBOL_LIST_MAX_POSITIONS);
}

}  // namespace

// Helpers of the tray program's Wine tests: the settings key of the test
// prefix, quote records, and waiting without hanging.
#ifndef MORVANE_TESTS_APP_APP_TEST_SUPPORT_H
#define MORVANE_TESTS_APP_APP_TEST_SUPPORT_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"

namespace apptest {

// A record with `symbol` and a description, all else zero.
QuoteRecord record(const char *symbol);

// Deletes HKCU\Software\Morvane\Morvane Quote with everything below it.
void clear_settings();

// Stores the records, interval and proxy through the settings store.
void seed_settings(const std::vector<QuoteRecord> &records, const char *proxy, DWORD port,
                   DWORD update_minutes = 15);

// The records as the settings store reads them back now.
std::vector<QuoteRecord> stored_records();

// Polls `done` every 50 ms, pumping this thread's messages, for at most
// `timeout_ms`; true as soon as it holds.
bool wait_until(const std::function<bool()> &done, DWORD timeout_ms);

// True when the time lies on today's local date.
bool is_today(const QuoteTime &time);

// Signalled by the first change anywhere below the settings key after it is
// made. Under Wine a write of the bytes a value already holds changes
// nothing and signals nothing, so a save shows here with the first record it
// changes.
class StoreChange {
public:
    StoreChange();
    ~StoreChange();
    StoreChange(const StoreChange &) = delete;
    StoreChange &operator=(const StoreChange &) = delete;

    // True when a change came within the time-out.
    bool wait(DWORD timeout_ms) const;

private:
    HANDLE event_;
    HKEY key_ = nullptr;
    bool armed_ = false;
};

}  // namespace apptest

#endif

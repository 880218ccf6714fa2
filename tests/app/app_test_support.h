// Helpers of the tray program's Wine tests: today's date and changes of the
// settings key.
#ifndef MORVANE_TESTS_APP_APP_TEST_SUPPORT_H
#define MORVANE_TESTS_APP_APP_TEST_SUPPORT_H

#include <windows.h>

#include "app/app_state.h"

namespace apptest {

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

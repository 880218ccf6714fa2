// A test's own AppState and a scratch settings key: the key is cleared before
// and after each test (the tests that use it hold the settings_registry lock).
#ifndef MORVANE_TESTS_SETTINGS_DIALOGS_SETTINGS_FIXTURE_H
#define MORVANE_TESTS_SETTINGS_DIALOGS_SETTINGS_FIXTURE_H

#include <stdint.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/settings/quote_record.h"
#include "support/settings_key.h"

namespace mqtest {

struct SymbolEntry {
    const char *symbol;
    const char *description;
};

bool stored_dword(const char *name, uint32_t *value);
// Symbols of SYM000, SYM001, ... up to the first missing subkey.
std::vector<std::string> stored_symbols();

// The symbols at positions 0, 1, ... of the state's list, "NULL" included.
std::vector<std::string> listed_symbols(AppState *state);

class SettingsFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stores the entries, interval and proxy, then loads them back into
    // `state`, as the program would find them at start-up.
    void seed(const std::vector<SymbolEntry> &entries, uint32_t minutes = 15, const char *proxy = "",
              uint32_t port = 0);
    QuoteRecord *record_at(int32_t position);

    AppState state{};
};

}  // namespace mqtest

#endif

// Registry helpers for the settings store's tests: a scratch copy of the
// program's key that is wiped before and after each test, typed values read
// back against a sentinel, a whole-key snapshot, and a registry table that
// stops working from a chosen call on.
#ifndef MORVANE_TESTS_SETTINGS_SETTINGS_REGISTRY_FIXTURE_H
#define MORVANE_TESTS_SETTINGS_SETTINGS_REGISTRY_FIXTURE_H

#include <windows.h>

#include <map>
#include <string>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/settings/settings_registry.h"
#include "support/settings_key.h"

namespace mqtest {

struct StoredValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const StoredValue &other) const { return type == other.type && bytes == other.bytes; }
};

// Every value of the key and of its subkeys (at any depth), by "subkey\name";
// the key's own values have an empty subkey part. Empty subkeys appear as
// "subkey\" with type REG_NONE.
typedef std::map<std::string, StoredValue> StoreSnapshot;

void put_value(const std::string &subkey, const char *name, DWORD type, const std::string &bytes);
void put_dword(const std::string &subkey, const char *name, DWORD value);
void create_subkey(const std::string &subkey);
// Reads one value back: `found` false when it is missing. The bytes come from
// a buffer pre-filled with a sentinel, sized to what the store reported.
StoredValue get_value(const std::string &subkey, const char *name, bool *found);
bool subkey_exists(const std::string &subkey);
StoreSnapshot snapshot_store();
std::string record_bytes(const QuoteRecord &record);
// A REG_SZ value's bytes: the text and its terminator.
std::string text_value(const char *text);

// Calls the real registry until `cut_at` calls have been made, then fails
// every call as if the process had died there. Closing handles is let
// through (the system closes them for a dead process too) and not counted.
struct CuttingRegistry {
    static const SettingsRegistry *table(long cut_at);
    static long calls_made();
};

// Wipes the program's key before and after each test; owns an AppState.
class StoreTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void append(const QuoteRecord &record);
    int32_t record_count() const;
    QuoteRecord *record_at(int32_t position);

    AppState state_;
};

}  // namespace mqtest

#endif

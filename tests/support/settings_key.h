// The program's settings key in the test prefix's registry, for the tests
// that hold the settings_registry lock: records to put there, the key seeded
// and cleared, and read back both as raw values and through the store.
#ifndef MORVANE_TESTS_SUPPORT_SETTINGS_KEY_H
#define MORVANE_TESTS_SUPPORT_SETTINGS_KEY_H

#include <windows.h>

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/settings/quote_record.h"

namespace mqtest {

// The key's path below HKEY_CURRENT_USER, or a subkey's ("" for the key).
std::string store_path(const std::string &subkey);

// The subkey of the symbol stored at `number`: SYM000, SYM001, ...
std::string symbol_subkey(int number);

// Deletes the key with every subkey below it; fails the test if it stays.
void delete_store();

// A zeroed record with the two texts; without a description, "SYMBOL Inc.".
QuoteRecord make_record(const char *symbol, const char *description);
QuoteRecord make_record(const char *symbol);

// Stores the records, interval and proxy through the settings store.
void seed_settings(const std::vector<QuoteRecord> &records, const char *proxy, DWORD port,
                   DWORD update_minutes = 15);

// The records as the settings store reads them back now.
std::vector<QuoteRecord> stored_records();

struct StoredValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const StoredValue &other) const {
        return type == other.type && bytes == other.bytes;
    }
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

// A value of the key itself that holds exactly four bytes.
bool stored_dword(const char *name, uint32_t *value);
// Symbols of SYM000, SYM001, ... up to the first missing subkey.
std::vector<std::string> stored_symbols();
// The symbols of the state's list in position order, "NULL" included.
std::vector<std::string> listed_symbols(AppState *state);

struct SymbolEntry {
    const char *symbol;
    const char *description;
};

// A test's own AppState as the program has it at a first start, and the key
// cleared before and after each test.
class SettingsKeyTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stores the entries, interval and proxy, then loads them back into
    // `state`, as the program would find them at start-up.
    void seed(const std::vector<SymbolEntry> &entries, uint32_t minutes = 15,
              const char *proxy = "", uint32_t port = 0);
    void append(const QuoteRecord &record);
    int32_t record_count() const;
    QuoteRecord *record_at(int32_t position);

    AppState state{};
};

}  // namespace mqtest

#endif

#include "support/settings_key.h"

#include <stdio.h>
#include <string.h>

#include "app/settings/settings_store.h"
#include "app/settings/symbol_list.h"

namespace mqtest {

namespace {

// RegDeleteKeyA refuses a key that still has subkeys.
void delete_tree(HKEY parent, const char *name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char child[256];
    for (;;) {
        DWORD size = sizeof(child);
        if (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        delete_tree(key, child);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name);
}

HKEY open_path(const std::string &subkey, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, store_path(subkey).c_str(), 0, access, &key) !=
        ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

HKEY create_path(const std::string &subkey) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, store_path(subkey).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << subkey;
    return key;
}

void snapshot_values(HKEY key, const std::string &prefix, StoreSnapshot *snapshot, bool *any) {
    char name[256];
    std::vector<unsigned char> data(4096);
    for (DWORD index = 0;; ++index) {
        DWORD name_size = sizeof(name);
        DWORD data_size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &name_size, nullptr, &type, data.data(), &data_size) !=
            ERROR_SUCCESS) {
            break;
        }
        (*snapshot)[prefix + "\\" + name] =
            StoredValue{type, std::string(data.begin(), data.begin() + data_size)};
        *any = true;
    }
}

void snapshot_key(HKEY key, const std::string &prefix, StoreSnapshot *snapshot) {
    char name[256];
    bool any = false;
    snapshot_values(key, prefix, snapshot, &any);
    for (DWORD index = 0;; ++index) {
        DWORD name_size = sizeof(name);
        if (RegEnumKeyExA(key, index, name, &name_size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        HKEY child = nullptr;
        ASSERT_EQ(RegOpenKeyExA(key, name, 0, KEY_READ, &child), ERROR_SUCCESS);
        snapshot_key(child, prefix.empty() ? name : prefix + "\\" + name, snapshot);
        RegCloseKey(child);
        any = true;
    }
    if (!any && !prefix.empty()) (*snapshot)[prefix + "\\"] = StoredValue{};
}

}  // namespace

std::string store_path(const std::string &subkey) {
    return subkey.empty() ? std::string(SETTINGS_KEY_PATH)
                          : std::string(SETTINGS_KEY_PATH "\\") + subkey;
}

std::string symbol_subkey(int number) {
    char name[16];
    snprintf(name, sizeof(name), "SYM%03d", number);
    return name;
}

void delete_store() {
    delete_tree(HKEY_CURRENT_USER, SETTINGS_KEY_PATH);
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_READ, &key);
    if (opened == ERROR_SUCCESS) RegCloseKey(key);
    ASSERT_NE(opened, ERROR_SUCCESS) << "the settings key is still there";
}

QuoteRecord make_record(const char *symbol, const char *description) {
    QuoteRecord record;
    memset(&record, 0, sizeof(record));
    snprintf(record.symbol, sizeof(record.symbol), "%s", symbol);
    snprintf(record.description, sizeof(record.description), "%s", description);
    return record;
}

QuoteRecord make_record(const char *symbol) {
    return make_record(symbol, (std::string(symbol) + " Inc.").c_str());
}

void seed_settings(const std::vector<QuoteRecord> &records, const char *proxy, DWORD port,
                   DWORD update_minutes) {
    AppState state;
    app_state_init(&state);
    symbol_list_create(&state.symbols);
    for (const QuoteRecord &entry : records) {
        symbol_list_append(state.symbols, &entry, sizeof(entry));
    }
    snprintf(state.proxy, sizeof(state.proxy), "%s", proxy);
    state.proxy_port = port;
    state.update_minutes = update_minutes;
    settings_save(&state);
    settings_free(&state);
}

std::vector<QuoteRecord> stored_records() {
    AppState state;
    app_state_init(&state);
    settings_load(&state);
    std::vector<QuoteRecord> records;
    SymbolWalk walk = symbol_list_walk(state.symbols);
    QuoteRecord *entry = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &entry, &position)) records.push_back(*entry);
    settings_free(&state);
    return records;
}

void put_value(const std::string &subkey, const char *name, DWORD type, const std::string &bytes) {
    HKEY key = create_path(subkey);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE *>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void put_dword(const std::string &subkey, const char *name, DWORD value) {
    put_value(subkey, name, REG_DWORD,
              std::string(reinterpret_cast<const char *>(&value), sizeof(value)));
}

void create_subkey(const std::string &subkey) {
    HKEY key = create_path(subkey);
    if (key != nullptr) RegCloseKey(key);
}

StoredValue get_value(const std::string &subkey, const char *name, bool *found) {
    StoredValue value;
    *found = false;
    HKEY key = open_path(subkey, KEY_READ);
    if (key == nullptr) return value;
    unsigned char buffer[1024];
    memset(buffer, 0xCC, sizeof(buffer));
    DWORD size = sizeof(buffer);
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, buffer, &size) == ERROR_SUCCESS) {
        *found = true;
        value.type = type;
        value.bytes.assign(reinterpret_cast<const char *>(buffer), size);
        // Nothing is written past the reported size.
        if (size < sizeof(buffer)) {
            EXPECT_EQ(buffer[size], 0xCC) << subkey << "\\" << name;
        }
    }
    RegCloseKey(key);
    return value;
}

bool subkey_exists(const std::string &subkey) {
    HKEY key = open_path(subkey, KEY_READ);
    if (key == nullptr) return false;
    RegCloseKey(key);
    return true;
}

StoreSnapshot snapshot_store() {
    StoreSnapshot snapshot;
    HKEY key = open_path("", KEY_READ);
    if (key == nullptr) return snapshot;
    snapshot_key(key, "", &snapshot);
    RegCloseKey(key);
    return snapshot;
}

std::string record_bytes(const QuoteRecord &record) {
    return std::string(reinterpret_cast<const char *>(&record), sizeof(record));
}

std::string text_value(const char *text) { return std::string(text, strlen(text) + 1); }

bool stored_dword(const char *name, uint32_t *value) {
    bool found = false;
    StoredValue stored = get_value("", name, &found);
    if (!found || stored.bytes.size() != sizeof(*value)) return false;
    memcpy(value, stored.bytes.data(), sizeof(*value));
    return true;
}

std::vector<std::string> stored_symbols() {
    std::vector<std::string> symbols;
    for (int n = 0; n < 1000; ++n) {
        bool found = false;
        StoredValue stored = get_value(symbol_subkey(n), "MQS", &found);
        if (!found || stored.bytes.size() > sizeof(QuoteRecord)) break;
        QuoteRecord record;
        memset(&record, 0, sizeof(record));
        memcpy(&record, stored.bytes.data(), stored.bytes.size());
        symbols.emplace_back(record.symbol, strnlen(record.symbol, sizeof(record.symbol)));
    }
    return symbols;
}

std::vector<std::string> listed_symbols(AppState *state) {
    std::vector<std::string> symbols;
    SymbolWalk walk = symbol_list_walk(state->symbols);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        symbols.emplace_back(record->symbol, strnlen(record->symbol, sizeof(record->symbol)));
    }
    return symbols;
}

void SettingsKeyTest::SetUp() {
    delete_store();
    app_state_init(&state);
    settings_load(&state);
}

void SettingsKeyTest::TearDown() {
    settings_free(&state);
    delete_store();
}

void SettingsKeyTest::seed(const std::vector<SymbolEntry> &entries, uint32_t minutes,
                           const char *proxy, uint32_t port) {
    std::vector<QuoteRecord> records;
    for (const SymbolEntry &entry : entries)
        records.push_back(make_record(entry.symbol, entry.description));
    seed_settings(records, proxy, port, minutes);
    settings_load(&state);
}

void SettingsKeyTest::append(const QuoteRecord &record) {
    ASSERT_EQ(symbol_list_append(state.symbols, &record, sizeof(record)), 1);
}

int32_t SettingsKeyTest::record_count() const {
    return symbol_list_last_position(state.symbols) + 1;
}

QuoteRecord *SettingsKeyTest::record_at(int32_t position) {
    QuoteRecord *record = nullptr;
    EXPECT_EQ(symbol_list_get(state.symbols, &record, position), 1) << "position " << position;
    return record;
}

}  // namespace mqtest

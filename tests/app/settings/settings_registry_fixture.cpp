#include "app/settings/settings_registry_fixture.h"

#include <string.h>

#include <vector>

#include "app/settings/settings_store.h"

namespace mqtest {

namespace {

HKEY open_path(const std::string &subkey, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, store_path(subkey).c_str(), 0, access, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

HKEY create_path(const std::string &subkey) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, store_path(subkey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << subkey;
    return key;
}

void snapshot_key(HKEY key, const std::string &prefix, StoreSnapshot *snapshot) {
    char name[256];
    std::vector<unsigned char> data(4096);
    bool any = false;
    for (DWORD index = 0;; ++index) {
        DWORD name_size = sizeof(name);
        DWORD data_size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &name_size, nullptr, &type, data.data(), &data_size) != ERROR_SUCCESS) {
            break;
        }
        (*snapshot)[prefix + "\\" + name] = StoredValue{type, std::string(data.begin(), data.begin() + data_size)};
        any = true;
    }
    for (DWORD index = 0;; ++index) {
        DWORD name_size = sizeof(name);
        if (RegEnumKeyExA(key, index, name, &name_size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY child = nullptr;
        ASSERT_EQ(RegOpenKeyExA(key, name, 0, KEY_READ, &child), ERROR_SUCCESS);
        snapshot_key(child, prefix.empty() ? name : prefix + "\\" + name, snapshot);
        RegCloseKey(child);
        any = true;
    }
    if (!any && !prefix.empty()) (*snapshot)[prefix + "\\"] = StoredValue{};
}

// The state of the cut: how many calls may still go through.
long g_cut_at = 0;
long g_calls = 0;
const SettingsRegistry *g_real = nullptr;

bool may_call() { return g_calls++ < g_cut_at; }

LONG cut_open(HKEY parent, const char *name, HKEY *out) {
    return may_call() ? g_real->open_key(parent, name, out) : ERROR_ACCESS_DENIED;
}
LONG cut_create(HKEY parent, const char *name, HKEY *out, DWORD *disposition) {
    return may_call() ? g_real->create_key(parent, name, out, disposition) : ERROR_ACCESS_DENIED;
}
LONG cut_query(HKEY key, const char *name, void *data, DWORD *size) {
    return may_call() ? g_real->query_value(key, name, data, size) : ERROR_ACCESS_DENIED;
}
LONG cut_set(HKEY key, const char *name, DWORD type, const void *data, DWORD size) {
    return may_call() ? g_real->set_value(key, name, type, data, size) : ERROR_ACCESS_DENIED;
}
LONG cut_enum(HKEY key, DWORD index, char *name, DWORD *name_size) {
    return may_call() ? g_real->enum_value_name(key, index, name, name_size) : ERROR_ACCESS_DENIED;
}
LONG cut_delete_value(HKEY key, const char *name) {
    return may_call() ? g_real->delete_value(key, name) : ERROR_ACCESS_DENIED;
}
LONG cut_delete_key(HKEY parent, const char *name) {
    return may_call() ? g_real->delete_key(parent, name) : ERROR_ACCESS_DENIED;
}
LONG cut_count(HKEY key, DWORD *subkeys, DWORD *values) {
    return may_call() ? g_real->count_entries(key, subkeys, values) : ERROR_ACCESS_DENIED;
}
LONG pass_close(HKEY key) { return g_real->close_key(key); }

const SettingsRegistry kCuttingRegistry = {cut_open,         cut_create,       cut_query,
                                           cut_set,          cut_enum,         cut_delete_value,
                                           cut_delete_key,   cut_count,        pass_close};

}  // namespace

void put_value(const std::string &subkey, const char *name, DWORD type, const std::string &bytes) {
    HKEY key = create_path(subkey);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE *>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void put_dword(const std::string &subkey, const char *name, DWORD value) {
    put_value(subkey, name, REG_DWORD, std::string(reinterpret_cast<const char *>(&value), sizeof(value)));
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

const SettingsRegistry *CuttingRegistry::table(long cut_at) {
    g_real = settings_registry_win32();
    g_cut_at = cut_at;
    g_calls = 0;
    return &kCuttingRegistry;
}

long CuttingRegistry::calls_made() { return g_calls; }

void StoreTest::SetUp() {
    delete_store();
    app_state_init(&state_);
    ASSERT_EQ(symbol_list_create(&state_.symbols), 1);
}

void StoreTest::TearDown() {
    settings_free(&state_);
    delete_store();
}

void StoreTest::append(const QuoteRecord &record) {
    ASSERT_EQ(symbol_list_append(state_.symbols, &record, sizeof(record)), 1);
}

int32_t StoreTest::record_count() const { return symbol_list_last_position(state_.symbols) + 1; }

QuoteRecord *StoreTest::record_at(int32_t position) {
    QuoteRecord *record = nullptr;
    EXPECT_EQ(symbol_list_get(state_.symbols, &record, position), 1) << "position " << position;
    return record;
}

}  // namespace mqtest

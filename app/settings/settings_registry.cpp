#include "app/settings/settings_registry.h"

#include <string.h>

#include "app/settings/quote_record.h"

namespace {

LONG open_key(HKEY parent, const char *name, HKEY *out) {
    return RegOpenKeyExA(parent, name, 0, KEY_READ, out);
}

LONG create_key(HKEY parent, const char *name, HKEY *out, DWORD *disposition) {
    char no_class[] = "";
    return RegCreateKeyExA(parent, name, 0, no_class, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, out, disposition);
}

LONG query_value(HKEY key, const char *name, void *data, DWORD *size) {
    return RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE *>(data), size);
}

LONG set_value(HKEY key, const char *name, DWORD type, const void *data, DWORD size) {
    return RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size);
}

LONG enum_value_name(HKEY key, DWORD index, char *name, DWORD *name_size) {
    return RegEnumValueA(key, index, name, name_size, nullptr, nullptr, nullptr, nullptr);
}

LONG delete_value(HKEY key, const char *name) { return RegDeleteValueA(key, name); }

LONG delete_key(HKEY parent, const char *name) { return RegDeleteKeyA(parent, name); }

LONG count_entries(HKEY key, DWORD *subkeys, DWORD *values) {
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values,
                            nullptr, nullptr, nullptr, nullptr);
}

LONG close_key(HKEY key) { return RegCloseKey(key); }

const SettingsRegistry kWin32Registry = {open_key,   create_key,      query_value,
                                         set_value,  enum_value_name, delete_value,
                                         delete_key, count_entries,   close_key};

}  // namespace

const SettingsRegistry *settings_registry_win32(void) { return &kWin32Registry; }

bool SettingsKey::open(HKEY parent, const char *name) {
    return registry_->open_key(parent, name, &key_) == ERROR_SUCCESS;
}

bool SettingsKey::create(HKEY parent, const char *name) {
    return registry_->create_key(parent, name, &key_, nullptr) == ERROR_SUCCESS;
}

void SettingsKey::close() {
    if (key_ != nullptr) registry_->close_key(key_);
    key_ = nullptr;
}

// The read goes through a zeroed scratch block and reaches the field only
// when it succeeds, so a failed or oversized read never leaves the field
// half-written.
bool SettingsKey::query_value(const char *name, void *field, DWORD capacity) {
    unsigned char scratch[QUOTE_RECORD_SIZE];
    if (capacity > sizeof(scratch)) return false;
    memset(scratch, 0, capacity);
    DWORD size = capacity;
    if (registry_->query_value(key_, name, scratch, &size) != ERROR_SUCCESS) return false;
    if (size > 0) memcpy(field, scratch, capacity);
    return true;
}

bool SettingsKey::set_value(const char *name, DWORD type, const void *data, DWORD size) {
    return registry_->set_value(key_, name, type, data, size) == ERROR_SUCCESS;
}

bool SettingsKey::enum_value_name(DWORD index, char *name, DWORD *name_size) {
    return registry_->enum_value_name(key_, index, name, name_size) == ERROR_SUCCESS;
}

bool SettingsKey::delete_value(const char *name) {
    return registry_->delete_value(key_, name) == ERROR_SUCCESS;
}

bool SettingsKey::delete_subkey(const char *name) {
    return registry_->delete_key(key_, name) == ERROR_SUCCESS;
}

bool SettingsKey::count_entries(DWORD *subkeys, DWORD *values) {
    DWORD subkey_count = 0;
    DWORD value_count = 0;
    if (registry_->count_entries(key_, &subkey_count, &value_count) != ERROR_SUCCESS) return false;
    *subkeys = subkey_count;
    *values = value_count;
    return true;
}

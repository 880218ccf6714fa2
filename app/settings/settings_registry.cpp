#include "app/settings/settings_registry.h"

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

const SettingsRegistry kWin32Registry = {open_key,        create_key,   query_value,
                                         set_value,       enum_value_name, delete_value,
                                         delete_key,      count_entries, close_key};

}  // namespace

const SettingsRegistry *settings_registry_win32(void) { return &kWin32Registry; }

// The registry calls the settings store makes, gathered in one table so the
// store can be driven against a registry that fails from a chosen call on
// (a save cut off halfway). Every call returns a Win32 error code.
#ifndef MORVANE_APP_SETTINGS_SETTINGS_REGISTRY_H
#define MORVANE_APP_SETTINGS_SETTINGS_REGISTRY_H

#include <windows.h>

typedef struct SettingsRegistry {
    // Opens `name` under `parent` for reading.
    LONG (*open_key)(HKEY parent, const char *name, HKEY *out);
    // Creates or opens `name` under `parent` with full access, non-volatile;
    // *disposition says which (REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY).
    LONG (*create_key)(HKEY parent, const char *name, HKEY *out, DWORD *disposition);
    // Reads a value of any type into `data`; *size is its capacity in and the
    // value's size out. A value larger than the capacity fails.
    LONG (*query_value)(HKEY key, const char *name, void *data, DWORD *size);
    LONG (*set_value)(HKEY key, const char *name, DWORD type, const void *data, DWORD size);
    // Name of the value at `index`; *name_size is the buffer's size in.
    LONG (*enum_value_name)(HKEY key, DWORD index, char *name, DWORD *name_size);
    LONG (*delete_value)(HKEY key, const char *name);
    // Deletes a subkey that has no subkeys of its own.
    LONG (*delete_key)(HKEY parent, const char *name);
    // How many subkeys and values the key holds.
    LONG (*count_entries)(HKEY key, DWORD *subkeys, DWORD *values);
    LONG (*close_key)(HKEY key);
} SettingsRegistry;

// The table that calls the real registry (advapi32).
const SettingsRegistry *settings_registry_win32(void);

// One open key, reached through a registry table, which it is closed through
// on every path out of its owner's scope. Every call reports success; a read
// (query_value, count_entries) that fails leaves its outputs as they were.
class SettingsKey {
public:
    explicit SettingsKey(const SettingsRegistry *registry) : registry_(registry) {}
    ~SettingsKey() { close(); }
    SettingsKey(const SettingsKey &) = delete;
    SettingsKey &operator=(const SettingsKey &) = delete;

    // Open `name` under `parent` for reading, or create it with full access.
    // The key must be closed.
    bool open(HKEY parent, const char *name);
    bool create(HKEY parent, const char *name);
    void close();

    // Reads a value of any type into a field of `capacity` bytes (at most a
    // QuoteRecord's size), all of it or nothing: a shorter value leaves the
    // rest of the field zero, an empty one leaves the field as it was.
    bool query_value(const char *name, void *field, DWORD capacity);
    bool set_value(const char *name, DWORD type, const void *data, DWORD size);
    // Name of the value at `index`; *name_size is the buffer's size in.
    bool enum_value_name(DWORD index, char *name, DWORD *name_size);
    bool delete_value(const char *name);
    // Deletes the subkey `name`, which must have no subkeys of its own.
    bool delete_subkey(const char *name);
    bool count_entries(DWORD *subkeys, DWORD *values);

    HKEY handle() const { return key_; }
    const SettingsRegistry *registry() const { return registry_; }

private:
    const SettingsRegistry *registry_;
    HKEY key_ = nullptr;
};

#endif

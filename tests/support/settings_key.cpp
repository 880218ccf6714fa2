#include "support/settings_key.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <gtest/gtest.h>

#include "app/settings/settings_store.h"

namespace mqtest {

namespace {

// RegDeleteKeyA refuses a key that still has subkeys.
void delete_tree(HKEY parent, const char *name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char child[256];
    for (;;) {
        DWORD size = sizeof(child);
        if (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        delete_tree(key, child);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name);
}

}  // namespace

std::string store_path(const std::string &subkey) {
    return subkey.empty() ? std::string(SETTINGS_KEY_PATH) : std::string(SETTINGS_KEY_PATH "\\") + subkey;
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

}  // namespace mqtest

#include "app/dialogs/settings_fixture.h"

#include <windows.h>

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include "app/settings/settings_store.h"
#include "app/settings/symbol_list.h"

namespace mqtest {

bool stored_dword(const char *name, uint32_t *value) {
    DWORD size = sizeof(*value);
    return SHGetValueA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, name, nullptr, value, &size) == ERROR_SUCCESS &&
           size == sizeof(*value);
}

std::vector<std::string> stored_symbols() {
    std::vector<std::string> symbols;
    for (int n = 0; n < 1000; ++n) {
        QuoteRecord record;
        DWORD size = sizeof(record);
        std::string subkey = store_path(symbol_subkey(n));
        if (SHGetValueA(HKEY_CURRENT_USER, subkey.c_str(), "MQS", nullptr, &record, &size) != ERROR_SUCCESS) {
            break;
        }
        symbols.emplace_back(record.symbol, strnlen(record.symbol, sizeof(record.symbol)));
    }
    return symbols;
}

std::vector<std::string> listed_symbols(AppState *state) {
    std::vector<std::string> symbols;
    QuoteRecord *record = nullptr;
    for (int32_t position = 0; symbol_list_get(state->symbols, &record, position); ++position) {
        symbols.emplace_back(record->symbol, strnlen(record->symbol, sizeof(record->symbol)));
    }
    return symbols;
}

void SettingsFixture::SetUp() {
    delete_store();
    app_state_init(&state);
    settings_load(&state);
}

void SettingsFixture::TearDown() {
    settings_free(&state);
    delete_store();
}

void SettingsFixture::seed(const std::vector<SymbolEntry> &entries, uint32_t minutes, const char *proxy,
                           uint32_t port) {
    for (const SymbolEntry &entry : entries) {
        QuoteRecord record = make_record(entry.symbol, entry.description);
        ASSERT_EQ(symbol_list_append(state.symbols, &record, sizeof(record)), 1);
    }
    state.update_minutes = minutes;
    snprintf(state.proxy, sizeof(state.proxy), "%s", proxy);
    state.proxy_port = port;
    settings_save(&state);
    settings_load(&state);
}

QuoteRecord *SettingsFixture::record_at(int32_t position) {
    QuoteRecord *record = nullptr;
    return symbol_list_get(state.symbols, &record, position) ? record : nullptr;
}

}  // namespace mqtest

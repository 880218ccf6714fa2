#include "app_test_support.h"

#include <shlwapi.h>
#include <string.h>

#include "app/settings/settings_store.h"

namespace apptest {

QuoteRecord record(const char *symbol) {
    QuoteRecord result;
    memset(&result, 0, sizeof(result));
    strncpy(result.symbol, symbol, sizeof(result.symbol) - 1);
    snprintf(result.description, sizeof(result.description), "%s Inc.", symbol);
    return result;
}

void clear_settings() { SHDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH); }

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

bool wait_until(const std::function<bool()> &done, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) {
            return true;
        }
        if (GetTickCount() - start >= timeout_ms) {
            return false;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        Sleep(50);
    }
}

bool is_today(const QuoteTime &time) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return time.year == now.wYear && time.month == now.wMonth && time.day == now.wDay;
}

StoreChange::StoreChange() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_NOTIFY, &key_) != ERROR_SUCCESS) {
        key_ = nullptr;
        return;
    }
    armed_ = RegNotifyChangeKeyValue(key_, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event_,
                                     TRUE) == ERROR_SUCCESS;
}

StoreChange::~StoreChange() {
    if (key_ != nullptr) RegCloseKey(key_);
    CloseHandle(event_);
}

bool StoreChange::wait(DWORD timeout_ms) const {
    return armed_ && WaitForSingleObject(event_, timeout_ms) == WAIT_OBJECT_0;
}

}  // namespace apptest

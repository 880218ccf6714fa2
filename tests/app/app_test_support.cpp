#include "app_test_support.h"

#include "app/settings/settings_store.h"

namespace apptest {

bool is_today(const QuoteTime &time) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return time.year == now.wYear && time.month == now.wMonth && time.day == now.wDay;
}

StoreChange::StoreChange() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_NOTIFY, &key_) !=
        ERROR_SUCCESS) {
        key_ = nullptr;
        return;
    }
    armed_ =
        RegNotifyChangeKeyValue(key_, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                event_, TRUE) == ERROR_SUCCESS;
}

StoreChange::~StoreChange() {
    if (key_ != nullptr) RegCloseKey(key_);
    CloseHandle(event_);
}

bool StoreChange::wait(DWORD timeout_ms) const {
    return armed_ && WaitForSingleObject(event_, timeout_ms) == WAIT_OBJECT_0;
}

}  // namespace apptest

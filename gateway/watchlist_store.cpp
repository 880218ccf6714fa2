#include "gateway/watchlist_store.h"

#include <windows.h>

#include <string.h>

#include <vector>

namespace {

const char kWatchlistValue[] = "Watchlist";
// A thousand symbols of 15 characters with their times fit well within this.
const DWORD kMaxWatchlistBytes = 64 * 1024;

}  // namespace

std::string load_watchlist() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, GATEWAY_REGISTRY_KEY, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return std::string();
    }
    // RegQueryValueExA, not RegGetValueA: the gateway runs where XP's
    // advapi32 has no RegGetValueA. The value need not end in a terminator.
    std::vector<char> text(kMaxWatchlistBytes + 1, '\0');
    DWORD type = 0;
    DWORD size = kMaxWatchlistBytes;
    LONG result = RegQueryValueExA(key, kWatchlistValue, nullptr, &type,
                                   reinterpret_cast<BYTE *>(text.data()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return std::string();
    return std::string(text.data(), strnlen(text.data(), size));
}

void save_watchlist(const std::string &text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, GATEWAY_REGISTRY_KEY, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, kWatchlistValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

int64_t unix_seconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    return static_cast<int64_t>(ticks.QuadPart / 10000000ull) - 11644473600ll;
}

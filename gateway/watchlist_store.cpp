#include "gateway/watchlist_store.h"

#include <windows.h>

#include <vector>

namespace {

const char kWatchlistValue[] = "Watchlist";
// A thousand symbols of 15 characters with their times fit well within this.
const DWORD kMaxWatchlistBytes = 64 * 1024;

}  // namespace

std::string load_watchlist() {
    std::vector<char> text(kMaxWatchlistBytes + 1, '\0');
    DWORD size = kMaxWatchlistBytes;
    LONG result = RegGetValueA(HKEY_CURRENT_USER, GATEWAY_REGISTRY_KEY, kWatchlistValue,
                               RRF_RT_REG_SZ, nullptr, text.data(), &size);
    return result == ERROR_SUCCESS ? std::string(text.data()) : std::string();
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

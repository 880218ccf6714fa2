#include "gateway/watchlist_store.h"

#include <windows.h>

#include <string.h>

#include <algorithm>
#include <vector>

#include "gateway/gateway_limits.h"

namespace {

const char kWatchlistValue[] = "Watchlist";

}  // namespace

std::string load_watchlist(std::string *problem) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, GATEWAY_REGISTRY_KEY, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return std::string();
    }
    // RegQueryValueExA, not RegGetValueA: the gateway runs where XP's
    // advapi32 has no RegGetValueA. The value need not end in a terminator.
    // Its size is asked first, so that a value of any length is read whole
    // or, beyond the limit, said to be skipped, never dropped in silence.
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, kWatchlistValue, nullptr, &type, nullptr, &size);
    std::vector<char> text;
    if (result == ERROR_SUCCESS && type == REG_SZ && size <= kMaxStoredWatchlistBytes) {
        text.assign(size + 1, '\0');
        result = RegQueryValueExA(key, kWatchlistValue, nullptr, &type,
                                  reinterpret_cast<BYTE *>(text.data()), &size);
    } else if (result == ERROR_SUCCESS && type == REG_SZ) {
        *problem = "The stored watchlist is " + std::to_string(size) + " bytes, more than " +
                   std::to_string(kMaxStoredWatchlistBytes) + "; starting without it.";
    }
    RegCloseKey(key);
    if (text.empty() || result != ERROR_SUCCESS || type != REG_SZ) return std::string();
    return std::string(text.data(), strnlen(text.data(), std::min<size_t>(size, text.size())));
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

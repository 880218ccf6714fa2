// The bare limit of a page fetch: one plain WinINet GET, with a session of
// its own as the page fetch must open one per call, and optionally the
// connection-state probe the page fetch makes first.
#ifndef MORVANE_TESTS_BENCH_BARE_GET_H
#define MORVANE_TESTS_BENCH_BARE_GET_H

#include <windows.h>
#include <wininet.h>

#include <string>

namespace bench {

struct GetTarget {
    std::string proxy;  // "address:port", or empty for a direct GET
    std::string host;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
    std::string path;  // with the query
};

// The plug-in's quote-page address for `symbol`, asked of `proxy` as the
// tray program asks it.
GetTarget quote_page_target(const std::string &proxy, const std::string &symbol);

// GETs the target into `buffer` and returns the bytes received (0 when the
// GET failed). With `probe` it first asks InternetGetConnectedState, as
// the page fetch does before every fetch.
DWORD bare_get(const GetTarget &target, char *buffer, DWORD capacity, bool probe);

// True when InternetGetConnectedState says the machine is connected; page
// fetches do nothing otherwise.
bool connection_state_allows_fetches();

}  // namespace bench

#endif

// Where the gateway keeps its watchlist between runs: a value of its own
// key, HKCU\Software\Morvane\Morvane Quote Gateway, never the ticker's.
#ifndef MORVANE_GATEWAY_WATCHLIST_STORE_H
#define MORVANE_GATEWAY_WATCHLIST_STORE_H

#include <stdint.h>

#include <string>

#define GATEWAY_REGISTRY_KEY "Software\\Morvane\\Morvane Quote Gateway"

// What save_watchlist last wrote; empty when there is none or it cannot be
// read, and then `problem` says why when there is one to tell.
std::string load_watchlist(std::string *problem);

// Writes `text` in place of what was there; a failure is not reported (the
// watchlist only speeds up the first refresh after a restart).
void save_watchlist(const std::string &text);

#endif

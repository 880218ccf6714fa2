// seed_watchlist PROXY PORT [SYMBOL...]: prepares the tray program's stored
// settings for scripts/run.sh, through the program's own settings store.
// It points the proxy at PROXY:PORT (this run's quote server or gateway).
// When the store does not exist yet, it also seeds the watchlist with the
// given symbols, each described as "SYMBOL (demo)"; a store that exists
// keeps its symbols. Exit code 0 once saved, 2 for a wrong command line.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/app_state.h"
#include "app/settings/settings_store.h"
#include "app/settings/symbol_list.h"

namespace {

bool store_exists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool valid_symbol(const char *symbol) {
    size_t length = strlen(symbol);
    return length > 0 && length < QUOTE_SYMBOL_SIZE;
}

bool append_demo_symbol(SymbolList *list, const char *symbol) {
    QuoteRecord record;
    memset(&record, 0, sizeof(record));
    snprintf(record.symbol, sizeof(record.symbol), "%s", symbol);
    snprintf(record.description, sizeof(record.description), "%s (demo)", symbol);
    return symbol_list_append(list, &record, sizeof(record)) != 0;
}

// The port as a number from 1 to 65535, or 0.
DWORD port_from(const char *text) {
    char *end = nullptr;
    unsigned long port = strtoul(text, &end, 10);
    return (*text != '\0' && *end == '\0' && port >= 1 && port <= 65535) ? port : 0;
}

}  // namespace

int main(int argc, char **argv) {
    DWORD port = argc >= 3 ? port_from(argv[2]) : 0;
    bool arguments_valid = port != 0 && strlen(argv[1]) < APP_PROXY_SIZE;
    for (int i = 3; arguments_valid && i < argc; ++i) arguments_valid = valid_symbol(argv[i]);
    if (!arguments_valid) {
        fprintf(stderr,
                "usage: seed_watchlist PROXY PORT [SYMBOL...] (port 1 to 65535, symbols of 1 to %d "
                "characters)\n",
                QUOTE_SYMBOL_SIZE - 1);
        return 2;
    }
    bool seeding = !store_exists();
    AppState state;
    memset(&state, 0, sizeof(state));
    settings_load(&state);
    for (int i = 3; seeding && i < argc; ++i) append_demo_symbol(state.symbols, argv[i]);
    snprintf(state.proxy, sizeof(state.proxy), "%s", argv[1]);
    state.proxy_port = port;
    settings_save(&state);
    settings_free(&state);
    if (seeding) {
        printf("seeded the watchlist:");
        for (int i = 3; i < argc; ++i) printf(" %s", argv[i]);
        printf("\n");
    } else {
        printf("kept the stored watchlist\n");
    }
    return 0;
}

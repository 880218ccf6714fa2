// The tray program's whole run-time state: one record, owned by WinMain,
// reached by address everywhere else.
#ifndef MORVANE_APP_APP_STATE_H
#define MORVANE_APP_APP_STATE_H

#include <stdint.h>

#include "app/settings/symbol_list.h"
#include "plugin/quote_plugin.h"

enum { APP_PROXY_SIZE = 260, APP_BALLOON_TEXT_SIZE = 256, APP_DEFAULT_UPDATE_MINUTES = 15 };

#define APP_PRODUCT_NAME "Morvane Quote"

// Module handles are kept as opaque pointers so that portable code can include
// this header; the Win32 code casts them to HMODULE.
typedef struct AppState {
    int32_t about_open;
    int32_t settings_open;
    int32_t quotes_open;
    int32_t balloon_capable;
    uint32_t update_minutes;
    SymbolList *symbols;
    void *utilities_module;
    void *plugin_module;
    MqxQuoteFunction quote_function;
    char proxy[APP_PROXY_SIZE];
    char balloon_text[APP_BALLOON_TEXT_SIZE];
    uint32_t proxy_port;
    uint32_t trend_icon;
} AppState;

#ifdef __cplusplus
extern "C" {
#endif

// Clears the record and sets the start-up values (trend icon 115, balloon
// text "Morvane Quote"); everything else is zero.
void app_state_init(AppState *state);

#ifdef __cplusplus
}
#endif

#endif

// Loads and saves the tray program's settings under
// HKEY_CURRENT_USER\Software\Morvane\Morvane Quote. Failures are silent.
#ifndef MORVANE_APP_SETTINGS_SETTINGS_STORE_H
#define MORVANE_APP_SETTINGS_SETTINGS_STORE_H

#include "app/app_state.h"

#define SETTINGS_KEY_PATH "Software\\Morvane\\Morvane Quote"

// Replaces state->symbols with a list read from the store and sets the
// interval, and (when the key exists) the proxy and its port.
void settings_load(AppState *state);

// Writes the interval, proxy, port and every live record of state->symbols.
void settings_save(AppState *state);

// Frees state->symbols, if any, and leaves it null.
void settings_free(AppState *state);

#endif

#ifndef MORVANE_APP_REFRESH_H
#define MORVANE_APP_REFRESH_H

#include <windows.h>

#include "app/app_state.h"

// One pass of the refresh cycle: asks the quote source for every live symbol,
// stores accepted quotes with the local time, picks the trend icon, updates
// icon and tooltip, builds the balloon text and saves the settings.
void refresh_quotes(HWND window, AppState *state);

#endif

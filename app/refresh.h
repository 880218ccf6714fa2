#ifndef MORVANE_APP_REFRESH_H
#define MORVANE_APP_REFRESH_H

#include <windows.h>

#include "app/app_state.h"

// One pass of the refresh cycle: asks the quote source for every live symbol,
// stores accepted quotes with the local time, picks the trend icon, updates
// icon and tooltip, builds the balloon text and saves the settings.
void refresh_quotes(HWND window, AppState *state);

// Starts the window's refresh timer (IDT_REFRESH) at the state's interval;
// a timer already running under that id starts over.
void refresh_timer_start(HWND window, const AppState *state);

#endif

// The tray menu's commands. The ones that open something modal (About,
// Settings, Display Quotes) open each dialog at most once at a time.
#ifndef MORVANE_APP_TRAY_COMMANDS_H
#define MORVANE_APP_TRAY_COMMANDS_H

#include <windows.h>

#include "app/app_state.h"

// Carries out one menu command for the tray window; anything else is
// ignored.
void handle_command(HWND window, UINT command, AppState *state);

#endif

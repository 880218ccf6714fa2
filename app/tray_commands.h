// The tray menu's commands that open something modal: About, Settings,
// Display Quotes and Help. Each dialog opens at most once at a time.
#ifndef MORVANE_APP_TRAY_COMMANDS_H
#define MORVANE_APP_TRAY_COMMANDS_H

#include <windows.h>

#include "app/app_state.h"

// Carries out IDM_ABOUT, IDM_SETTINGS, IDM_DISPLAY_QUOTES or IDM_HELP for the
// tray window. Returns TRUE if `command` is one of them.
BOOL tray_dialog_command(HWND window, UINT command, AppState *state);

// Bracket every dialog opened from the tray: the hidden tray window is shown
// while at least one is open.
void show_owner_window(HWND window);
void hide_owner_window(HWND window);

#endif

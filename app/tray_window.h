#ifndef MORVANE_APP_TRAY_WINDOW_H
#define MORVANE_APP_TRAY_WINDOW_H

#include <windows.h>

#include "app/app_state.h"

#define TRAY_WINDOW_CLASS "MORQUOTE"
#define IDT_REFRESH 1

// Window procedure of the hidden tray window (class "MORQUOTE"); the
// creation parameter is the AppState.
LRESULT CALLBACK tray_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Carries out one menu command.
void handle_command(HWND window, UINT command, AppState *state);

#endif

#ifndef MORVANE_APP_TRAY_WINDOW_H
#define MORVANE_APP_TRAY_WINDOW_H

#include <windows.h>

#include "app/app_state.h"

// Window procedure of the hidden tray window (class TRAY_WINDOW_CLASS); the
// creation parameter is the AppState.
LRESULT CALLBACK tray_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

#endif

// The program's own window messages, the tray window's class and its timer.
#ifndef MORVANE_APP_TRAY_MESSAGES_H
#define MORVANE_APP_TRAY_MESSAGES_H

#include <windows.h>

#define TRAY_WINDOW_CLASS "MORQUOTE"

// The refresh timer of the tray window.
#define IDT_REFRESH 1

// The tray icon's notifications to the tray window; the mouse message is in
// the lParam.
#define WM_TRAY_CALLBACK (WM_APP + 1)

// WM_APP + 2 is the quote dialogs' WM_SYMBOLS_REPLACED (quote_dialogs.h).

#endif

// The one place the tray icon reaches the shell. Tests replace the function
// the call goes through to see the exact data handed over.
#ifndef MORVANE_APP_TRAY_ICON_SHELL_H
#define MORVANE_APP_TRAY_ICON_SHELL_H

#include <windows.h>
#include <shellapi.h>

typedef BOOL(WINAPI *TrayShellNotifyFunction)(DWORD message, PNOTIFYICONDATAA data);

// Calls the current notify function (Shell_NotifyIconA unless replaced).
BOOL tray_shell_notify(DWORD message, PNOTIFYICONDATAA data);

// Test seam: replaces the notify function and returns the previous one.
TrayShellNotifyFunction tray_set_shell_notify(TrayShellNotifyFunction function);

#endif

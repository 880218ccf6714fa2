#ifndef MORVANE_APP_DIALOGS_SETTINGS_DIALOG_H
#define MORVANE_APP_DIALOGS_SETTINGS_DIALOG_H

#include <windows.h>

// Dialog procedure of the settings dialog (template 106, creation parameter
// the AppState). Ends with 1 after OK (settings saved) and 0 after Cancel
// (settings reloaded from the store).
INT_PTR CALLBACK settings_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

#endif

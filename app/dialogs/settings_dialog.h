#ifndef MORVANE_APP_DIALOGS_SETTINGS_DIALOG_H
#define MORVANE_APP_DIALOGS_SETTINGS_DIALOG_H

#include <windows.h>

#include "app/app_state.h"

// Runs the settings dialog of `state` over `owner`. Ends with 1 after OK
// (settings saved) and 0 after Cancel (settings reloaded from the store).
INT_PTR settings_dialog_run(HWND owner, AppState *state);

#endif

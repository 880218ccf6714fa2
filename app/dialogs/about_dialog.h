#ifndef MORVANE_APP_DIALOGS_ABOUT_DIALOG_H
#define MORVANE_APP_DIALOGS_ABOUT_DIALOG_H

#include <windows.h>

#include "app/app_state.h"

// Runs the About dialog over `owner`; it shows the version and the link to
// the web site and ends with 1.
INT_PTR about_dialog_run(HWND owner, AppState *state);

#endif

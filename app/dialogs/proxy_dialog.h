#ifndef MORVANE_APP_DIALOGS_PROXY_DIALOG_H
#define MORVANE_APP_DIALOGS_PROXY_DIALOG_H

#include <windows.h>

#include "app/app_state.h"

// Runs the proxy dialog over `owner`: edits the state's proxy address and
// port in place. 1 after OK, 0 after Cancel.
INT_PTR proxy_dialog_run(HWND owner, AppState *state);

#endif

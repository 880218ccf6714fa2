#ifndef MORVANE_APP_DIALOGS_ABOUT_DIALOG_H
#define MORVANE_APP_DIALOGS_ABOUT_DIALOG_H

#include <windows.h>

// Dialog procedure of the About dialog (template 104). Ends with 1.
INT_PTR CALLBACK about_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

#endif

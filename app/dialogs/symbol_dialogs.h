#ifndef MORVANE_APP_DIALOGS_SYMBOL_DIALOGS_H
#define MORVANE_APP_DIALOGS_SYMBOL_DIALOGS_H

#include <windows.h>

// Symbol dialog (template 107, creation parameter a QuoteRecord): edits the
// symbol and description. 1 after an accepted OK, 0 after Cancel.
INT_PTR CALLBACK symbol_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Proxy dialog (template 111, creation parameter the AppState): edits the
// proxy address and port. 1 after OK, 0 after Cancel.
INT_PTR CALLBACK proxy_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

#endif

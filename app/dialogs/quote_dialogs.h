// The quote list (template 110, creation parameter the AppState) and the quote
// detail (template 112, creation parameter a QuoteRecord of the symbol list).
#ifndef MORVANE_APP_DIALOGS_QUOTE_DIALOGS_H
#define MORVANE_APP_DIALOGS_QUOTE_DIALOGS_H

#include <windows.h>

INT_PTR CALLBACK quote_list_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK quote_detail_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Sent to the open quote dialogs when the symbol list they show is about to be
// replaced: they drop their positions and record pointers and close.
#define WM_SYMBOLS_REPLACED (WM_APP + 2)

// Sends WM_SYMBOLS_REPLACED to every quote dialog of this thread. Called
// before a settings reload frees the list.
void quote_dialogs_close_all(void);

#endif

// The quote list and the quote detail.
#ifndef MORVANE_APP_DIALOGS_QUOTE_DIALOGS_H
#define MORVANE_APP_DIALOGS_QUOTE_DIALOGS_H

#include <windows.h>

#include "app/app_state.h"

// Runs the quote list of the state's symbols over `owner`; "&Detail" opens
// the detail of the selected line. Ends with 1.
INT_PTR quote_list_run(HWND owner, AppState *state);

// Runs the quote detail of `record`, a record of the symbol list, over
// `owner`. Ends with 1.
INT_PTR quote_detail_run(HWND owner, QuoteRecord *record);

// Closes every quote dialog of this thread: they drop their positions and
// record pointers and end. Called before a settings reload frees the list.
void quote_dialogs_close_all(void);

// What quote_dialogs_close_all sends each quote dialog. Next to the tray's
// own WM_TRAY_CALLBACK (WM_APP + 1), so the two never meet.
#define WM_SYMBOLS_REPLACED (WM_APP + 2)

#endif

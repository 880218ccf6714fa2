#ifndef MORVANE_APP_DIALOGS_SYMBOL_DIALOG_H
#define MORVANE_APP_DIALOGS_SYMBOL_DIALOG_H

#include <windows.h>

#include "app/settings/quote_record.h"

// Runs the symbol dialog over `owner`: edits the record's symbol and
// description. 1 after an accepted OK, 0 after Cancel.
INT_PTR symbol_dialog_run(HWND owner, QuoteRecord *record);

#endif

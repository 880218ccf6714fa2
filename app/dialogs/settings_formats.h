// Texts of the settings and symbol dialogs, kept free of Windows headers so
// that they are unit tested natively.
#ifndef MORVANE_APP_DIALOGS_SETTINGS_FORMATS_H
#define MORVANE_APP_DIALOGS_SETTINGS_FORMATS_H

#include <stddef.h>
#include <stdint.h>

#include "app/settings/quote_record.h"

enum {
    // "%s (%s)": 255 characters of description, 15 of symbol, 3 separators.
    SETTINGS_LINE_SIZE = 273 + 1,
    // What the symbol dialog keeps of its edits: the last byte of each
    // record field is never written.
    SYMBOL_TEXT_MAX = QUOTE_SYMBOL_SIZE - 2,
    DESCRIPTION_TEXT_MAX = QUOTE_DESCRIPTION_SIZE - 2,
    SYMBOL_TEXT_MIN = 2,
    // Room for the interval field's text; longer texts are cut to it.
    INTERVAL_TEXT_SIZE = 32
};

// Writes the settings list line "description (symbol)" of `record` into
// `line` (SETTINGS_LINE_SIZE bytes at least for a full line; shorter buffers
// get a cut, terminated line). Takes at most a field's width less one
// characters of each field, so a field without its terminator is cut, not
// overrun.
void format_settings_line(char *line, size_t line_size, const QuoteRecord *record);

// Accepts the symbol dialog's texts into `record`: the symbol is cut to
// SYMBOL_TEXT_MAX characters and upper-cased (a-z only), the description is
// cut to DESCRIPTION_TEXT_MAX characters and defaults to the symbol. Returns
// false and leaves the record untouched when the symbol is shorter than
// SYMBOL_TEXT_MIN characters; true otherwise. Only the written characters and
// their terminators change.
bool accept_symbol_texts(QuoteRecord *record, const char *symbol, const char *description);

// The interval field read as an unsigned number the way GetDlgItemInt reads
// it on Windows: blanks around it, decimal digits only, no sign, at most
// 4294967295. Anything else reads as 0. (Wine's GetDlgItemInt takes "-5" as
// 4294967291, so the dialog does not rely on it.)
uint32_t interval_from_text(const char *text);

#endif

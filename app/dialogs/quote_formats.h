// The texts the quote list and the quote detail show for a QuoteRecord.
// Portable: no Windows header. Every function writes a zero-terminated text
// that fits the given buffer (cut if the buffer is too small) and returns the
// length the full text has, as snprintf does.
#ifndef MORVANE_APP_DIALOGS_QUOTE_FORMATS_H
#define MORVANE_APP_DIALOGS_QUOTE_FORMATS_H

#include <stddef.h>

#include "app/settings/quote_record.h"

// Worst cases: "%.4f" of the largest float has 39 digits, so a price field
// with its "($", ") " and sign stays under 50 characters; the list line holds
// symbol 15, price, a date of six 16-bit numbers and a 255-character
// description; the name line holds description 255, symbol 15, market 127.
enum {
    QUOTE_PRICE_TEXT_SIZE = 64,
    QUOTE_VOLUME_TEXT_SIZE = 16,
    QUOTE_NAME_TEXT_SIZE = 512,
    QUOTE_LINE_TEXT_SIZE = 512
};

// True when the quote list shows the record: it was quoted (last sale above
// 0) and is not a deleted entry.
bool quote_record_is_listed(const QuoteRecord *record);

// symbol TAB $price TAB TAB yyyy-mm-dd hh:mm:ss TAB description
int format_quote_line(char *buffer, size_t size, const QuoteRecord *record);

// "description (symbol) - market"
int format_quote_name(char *buffer, size_t size, const QuoteRecord *record);

// "$12.5000 " (with the trailing blank).
int format_quote_price(char *buffer, size_t size, float price);

// "$0.5000 " for a rise, "($0.5000) " for a fall or no change.
int format_quote_net_change(char *buffer, size_t size, float last_sale, float previous_close);

// Plain decimal digits.
int format_quote_volume(char *buffer, size_t size, unsigned long volume);

// True only for an address that starts with "http://" or "https://" (any
// case). Anything else taken from a downloaded page must not reach the shell:
// it could name a local program.
bool is_web_address(const char *text, size_t field_size);

#endif

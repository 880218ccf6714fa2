#include "app/settings/quote_record.h"

#include <string.h>

#include "plugin/fixed_text.h"

namespace {

// Stored bytes after a terminator are kept: only a field with no zero at all
// loses its last byte.
void terminate_field(char *field, size_t size) {
    if (fixed_text_length(field, size) == size) field[size - 1] = '\0';
}

}  // namespace

bool quote_record_is_deleted(const QuoteRecord *record) {
    return strncmp(record->symbol, QUOTE_DELETED_SYMBOL, sizeof(record->symbol)) == 0;
}

void quote_record_terminate_texts(QuoteRecord *record) {
    terminate_field(record->symbol, sizeof(record->symbol));
    terminate_field(record->description, sizeof(record->description));
    terminate_field(record->market, sizeof(record->market));
    terminate_field(record->detail_url, sizeof(record->detail_url));
}

#include "app/dialogs/quote_formats.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

namespace {

// Precisions that keep a text within its field even if a record arrived
// without a terminator.
const int kSymbolChars = QUOTE_SYMBOL_SIZE - 1;
const int kDescriptionChars = QUOTE_DESCRIPTION_SIZE - 1;
const int kMarketChars = QUOTE_MARKET_SIZE - 1;

bool starts_with_ignoring_case(const char *text, size_t field_size, const char *prefix) {
    size_t length = strlen(prefix);
    if (length > field_size) return false;
    for (size_t i = 0; i < length; ++i) {
        if (tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool quote_record_is_listed(const QuoteRecord *record) {
    return record->last_sale > 0 && !quote_record_is_deleted(record);
}

int format_quote_line(char *buffer, size_t size, const QuoteRecord *record) {
    const QuoteTime &t = record->updated;
    return snprintf(buffer, size, "%.*s\t$%.4f\t\t%i-%02i-%02i %02i:%02i:%02i\t%.*s", kSymbolChars,
                    record->symbol, static_cast<double>(record->last_sale), t.year, t.month, t.day,
                    t.hour, t.minute, t.second, kDescriptionChars, record->description);
}

int format_quote_name(char *buffer, size_t size, const QuoteRecord *record) {
    return snprintf(buffer, size, "%.*s (%.*s) - %.*s", kDescriptionChars, record->description,
                    kSymbolChars, record->symbol, kMarketChars, record->market);
}

int format_quote_price(char *buffer, size_t size, float price) {
    return snprintf(buffer, size, "$%.4f ", static_cast<double>(price));
}

int format_quote_net_change(char *buffer, size_t size, float last_sale, float previous_close) {
    double change = static_cast<double>(last_sale) - static_cast<double>(previous_close);
    if (change > 0) return snprintf(buffer, size, "$%.4f ", change);
    // 0.0 - change rather than -change: negating a zero difference gives
    // -0.0, which printf shows with a minus sign.
    return snprintf(buffer, size, "($%.4f) ", 0.0 - change);
}

int format_quote_volume(char *buffer, size_t size, unsigned long volume) {
    return snprintf(buffer, size, "%lu", volume);
}

bool is_web_address(const char *text, size_t field_size) {
    return starts_with_ignoring_case(text, field_size, "http://") ||
           starts_with_ignoring_case(text, field_size, "https://");
}

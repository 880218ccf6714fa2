#include "app/dialogs/settings_formats.h"

#include <stdio.h>
#include <string.h>

#include "plugin/fixed_text.h"

namespace {

// Copies at most `max` characters and a terminator; nothing past it.
void copy_cut(char *field, const char *text, size_t max) {
    fixed_text_copy(field, max + 1, text, max);
}

void upper_case_ascii(char *text) {
    for (; *text; ++text) {
        if (*text >= 'a' && *text <= 'z') {
            *text = static_cast<char>(*text - 'a' + 'A');
        }
    }
}

}  // namespace

void format_settings_line(char *line, size_t line_size, const QuoteRecord *record) {
    if (line_size == 0) {
        return;
    }
    int description_length =
        static_cast<int>(fixed_text_length(record->description, sizeof(record->description) - 1));
    int symbol_length =
        static_cast<int>(fixed_text_length(record->symbol, sizeof(record->symbol) - 1));
    snprintf(line, line_size, "%.*s (%.*s)", description_length, record->description, symbol_length,
             record->symbol);
}

bool accept_symbol_texts(QuoteRecord *record, const char *symbol, const char *description) {
    char accepted_symbol[SYMBOL_TEXT_MAX + 1];
    copy_cut(accepted_symbol, symbol, SYMBOL_TEXT_MAX);
    upper_case_ascii(accepted_symbol);
    if (strlen(accepted_symbol) < SYMBOL_TEXT_MIN) {
        return false;
    }
    copy_cut(record->symbol, accepted_symbol, SYMBOL_TEXT_MAX);
    copy_cut(record->description, description[0] ? description : accepted_symbol,
             DESCRIPTION_TEXT_MAX);
    return true;
}

uint32_t interval_from_text(const char *text) {
    while (*text == ' ') {
        ++text;
    }
    uint64_t value = 0;
    const char *digits = text;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<uint64_t>(*text - '0');
        if (value > UINT32_MAX) {
            return 0;
        }
    }
    while (*text == ' ') {
        ++text;
    }
    return text == digits || *text ? 0 : static_cast<uint32_t>(value);
}

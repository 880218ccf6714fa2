#include "plugin/quote_page.h"

#include <string.h>

#include "plugin/decimal_text.h"

namespace {

struct PriceField {
    const char *marker_a;
    float QuoteRequest::*value;
};

const char kNumberMarkerB[] = "&nbsp;";
const char kNumberTerminator = '<';

const PriceField kPriceFields[] = {
    {"Last Sale:", &QuoteRequest::last_sale},
    {"Previous Close:", &QuoteRequest::previous_close},
    {"Today's High:", &QuoteRequest::todays_high},
    {"Today's Low:", &QuoteRequest::todays_low},
};

// One area for the number texts: the extracted text in the first half, the
// volume without its commas in the second.
constexpr int32_t kScratchHalf = 128;
constexpr int32_t kNumberLimit = kScratchHalf - 1;

void remove_commas(const char *text, char *copy) {
    int32_t length = 0;
    for (int32_t i = 0; i < kScratchHalf && text[i] != '\0'; ++i) {
        if (text[i] != ',') {
            copy[length++] = text[i];
        }
    }
    copy[length] = '\0';
}

// strstr for a text whose end (its terminating zero) is already known.
// Through a full page, msvcrt's strstr (the one the Win32 build calls) is
// several times slower than a search led by memchr.
const char *find_text(const char *text, const char *end, const char *needle) {
    size_t needle_length = strlen(needle);
    if (needle_length == 0) return text;
    for (const char *at = text; static_cast<size_t>(end - at) >= needle_length; ++at) {
        at = static_cast<const char *>(
            memchr(at, needle[0], static_cast<size_t>(end - at) - needle_length + 1));
        if (at == nullptr) return nullptr;
        if (memcmp(at + 1, needle + 1, needle_length - 1) == 0) return at;
    }
    return nullptr;
}

// extract_field for a page whose end is known, so that the seven fields of
// a page cost one pass to find its end and not seven.
bool extract_field_before(const char *page, const char *end, const char *marker_a,
                          const char *marker_b, char terminator, char *output, int32_t limit) {
    output[0] = '\0';
    const char *found_a = find_text(page, end, marker_a);
    if (found_a == nullptr) {
        return false;
    }
    const char *found_b = find_text(found_a, end, marker_b);
    if (found_b == nullptr) {
        return false;
    }
    const char *text = found_b + strlen(marker_b);
    int32_t length = 0;
    while (length < limit && text[length] != '\0' && text[length] != terminator) {
        output[length] = text[length];
        ++length;
    }
    output[length] = '\0';
    return true;
}

// Doubles below this magnitude round to a finite float; from it on they
// round to infinity (2^128 - 2^103: FLT_MAX plus half its last unit).
constexpr double kFloatRoundingLimit = 0x1.ffffffp127;

// The nearest float, or 0 for a number that no finite float holds. Converting
// such a double is undefined, and in practice gives an infinite price that
// the tray would store as a quote.
float price_from_text(const char *text) {
    double value = decimal_to_double(text);
    return value > -kFloatRoundingLimit && value < kFloatRoundingLimit ? static_cast<float>(value)
                                                                       : 0.0f;
}

void parse_prices(QuoteRequest *request, const char *page, const char *end, char *scratch) {
    for (const PriceField &field : kPriceFields) {
        extract_field_before(page, end, field.marker_a, kNumberMarkerB, kNumberTerminator, scratch,
                             kNumberLimit);
        request->*field.value = price_from_text(scratch);
    }
}

void parse_volume(QuoteRequest *request, const char *page, const char *end, char *scratch) {
    extract_field_before(page, end, "Volume:", "\">", kNumberTerminator, scratch, kNumberLimit);
    remove_commas(scratch, scratch + kScratchHalf);
    request->volume = static_cast<uint32_t>(decimal_to_int32(scratch + kScratchHalf));
}

}  // namespace

bool extract_field(const char *page, const char *marker_a, const char *marker_b, char terminator,
                   char *output, int32_t limit) {
    return extract_field_before(page, page + strlen(page), marker_a, marker_b, terminator, output,
                                limit);
}

void parse_quote_page(QuoteRequest *request, const char *page) {
    request->last_sale = 0.0f;
    request->previous_close = 0.0f;
    request->todays_high = 0.0f;
    request->todays_low = 0.0f;
    request->volume = 0;
    const char *end = page + strlen(page);
    extract_field_before(page, end, "b>Market", " : ", '<', request->market, MQX_MARKET_SIZE - 1);
    extract_field_before(page, end, "offsite_quotes.asp", "content=", '"', request->detail_url,
                         MQX_DETAIL_URL_SIZE - 1);
    char scratch[2 * kScratchHalf];
    parse_prices(request, page, end, scratch);
    parse_volume(request, page, end, scratch);
}

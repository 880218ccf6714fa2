// A quote record as the store loads it, then every text the program makes
// from it. The input is the stored "MQS" value (a shorter one leaves the
// rest of the record zero, as the store's read does); bytes past the
// record's 692 stand for the stored port (4 bytes) and proxy text.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "app/app_state.h"
#include "app/dialogs/quote_formats.h"
#include "app/dialogs/settings_formats.h"
#include "app/refresh_rules.h"
#include "app/settings/quote_record.h"
#include "app/settings/symbol_list.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Enough passes over one record to fill the balloon with the shortest lines.
constexpr int kRecordsPerPass = 40;

struct StoredSettings {
    QuoteRecord record;
    uint32_t proxy_port = 80;
    char proxy[APP_PROXY_SIZE] = {};
};

// False when the store would skip the entry: it needs a symbol and a
// description.
bool load(const uint8_t *data, size_t size, StoredSettings *stored) {
    memset(&stored->record, 0, sizeof(stored->record));
    size_t record_size = size < sizeof(stored->record) ? size : sizeof(stored->record);
    memcpy(&stored->record, data, record_size);
    data += record_size;
    size -= record_size;
    if (size >= sizeof(stored->proxy_port)) {
        memcpy(&stored->proxy_port, data, sizeof(stored->proxy_port));
        data += sizeof(stored->proxy_port);
        size -= sizeof(stored->proxy_port);
        memcpy(stored->proxy, data, size < sizeof(stored->proxy) ? size : sizeof(stored->proxy));
        stored->proxy[sizeof(stored->proxy) - 1] = '\0';
    }
    if (stored->record.symbol[0] == '\0' || stored->record.description[0] == '\0') return false;
    quote_record_terminate_texts(&stored->record);
    return true;
}

// A dialog text is made in a buffer sized for the worst case, so it is
// never cut, and it ends where its length says.
void check_whole(const char *buffer, size_t size, int length) {
    FUZZ_CHECK(length >= 0 && static_cast<size_t>(length) < size);
    FUZZ_CHECK(strlen(buffer) == static_cast<size_t>(length));
}

void check_refresh(const QuoteRecord *record, const StoredSettings &stored) {
    if (!refresh_record_is_live(record)) return;
    QuoteRequest request;
    refresh_build_request(&request, record, stored.proxy, stored.proxy_port);
    FUZZ_CHECK(ends_within(request.symbol, QUOTE_SYMBOL_SIZE));
    FUZZ_CHECK(ends_within(request.proxy, sizeof(request.proxy)));

    for (int balloon_capable = 0; balloon_capable <= 1; ++balloon_capable) {
        char *balloon = static_cast<char *>(malloc(APP_BALLOON_TEXT_SIZE));
        RefreshPass pass;
        refresh_pass_begin(&pass, balloon_capable, balloon);
        for (int i = 0; i < kRecordsPerPass; ++i) refresh_pass_add(&pass, record);
        FUZZ_CHECK(strlen(refresh_pass_tooltip(&pass)) < pass.tooltip_size);
        FUZZ_CHECK(ends_within(balloon, APP_BALLOON_TEXT_SIZE));
        free(balloon);
    }
}

void check_dialog_texts(const QuoteRecord *record) {
    char line[QUOTE_LINE_TEXT_SIZE];
    check_whole(line, sizeof(line), format_quote_line(line, sizeof(line), record));
    char name[QUOTE_NAME_TEXT_SIZE];
    check_whole(name, sizeof(name), format_quote_name(name, sizeof(name), record));
    const float prices[] = {record->last_sale, record->todays_high, record->todays_low};
    for (float price : prices) {
        char text[QUOTE_PRICE_TEXT_SIZE];
        check_whole(text, sizeof(text), format_quote_price(text, sizeof(text), price));
    }
    char change[QUOTE_PRICE_TEXT_SIZE];
    check_whole(
        change, sizeof(change),
        format_quote_net_change(change, sizeof(change), record->last_sale, record->previous_close));
    char volume[QUOTE_VOLUME_TEXT_SIZE];
    check_whole(volume, sizeof(volume),
                format_quote_volume(volume, sizeof(volume), record->volume));
    is_web_address(record->detail_url, sizeof(record->detail_url));

    char settings_line[SETTINGS_LINE_SIZE];
    format_settings_line(settings_line, sizeof(settings_line), record);
    FUZZ_CHECK(strlen(settings_line) == strlen(record->description) + strlen(record->symbol) + 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    StoredSettings stored;
    if (!load(data, size, &stored)) return 0;
    const QuoteRecord &loaded = stored.record;
    FUZZ_CHECK(ends_within(loaded.symbol, sizeof(loaded.symbol)));
    FUZZ_CHECK(ends_within(loaded.description, sizeof(loaded.description)));
    FUZZ_CHECK(ends_within(loaded.market, sizeof(loaded.market)));
    FUZZ_CHECK(ends_within(loaded.detail_url, sizeof(loaded.detail_url)));

    // The program works on the list's own copy, as it does after a load.
    SymbolList *list = nullptr;
    FUZZ_CHECK(symbol_list_create(&list) && symbol_list_append(list, &loaded, sizeof(loaded)));
    QuoteRecord *record = nullptr;
    FUZZ_CHECK(symbol_list_get(list, &record, 0));
    check_refresh(record, stored);
    check_dialog_texts(record);
    symbol_list_free(list);
    return 0;
}

// One tracked symbol with its last quote. This is a storage format: the
// record is written to the registry byte for byte, so every offset is fixed.
//
// Portable: no Windows header. `QuoteTime` has the layout of the platform's
// SYSTEMTIME (eight 16-bit fields), so a SYSTEMTIME can be copied into it.
#ifndef MORVANE_APP_SETTINGS_QUOTE_RECORD_H
#define MORVANE_APP_SETTINGS_QUOTE_RECORD_H

#include <stddef.h>
#include <stdint.h>

enum {
    QUOTE_RECORD_SIZE = 692,
    QUOTE_SYMBOL_SIZE = 16,
    QUOTE_DESCRIPTION_SIZE = 256,
    QUOTE_MARKET_SIZE = 128,
    QUOTE_DETAIL_URL_SIZE = 256
};

// The text that marks a deleted entry in `symbol` (compared case-sensitively).
#define QUOTE_DELETED_SYMBOL "NULL"

#pragma pack(push, 1)

typedef struct QuoteTime {
    uint16_t year;
    uint16_t month;
    uint16_t day_of_week;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
} QuoteTime;

typedef struct QuoteRecord {
    char symbol[QUOTE_SYMBOL_SIZE];
    char description[QUOTE_DESCRIPTION_SIZE];
    float last_sale;
    float todays_high;
    float todays_low;
    float previous_close;
    uint32_t volume;
    QuoteTime updated;
    char market[QUOTE_MARKET_SIZE];
    char detail_url[QUOTE_DETAIL_URL_SIZE];
} QuoteRecord;

#pragma pack(pop)

static_assert(sizeof(QuoteTime) == 16, "QuoteTime has the SYSTEMTIME layout");
static_assert(sizeof(QuoteRecord) == QUOTE_RECORD_SIZE, "QuoteRecord is 692 bytes");
static_assert(offsetof(QuoteRecord, symbol) == 0, "symbol at 0");
static_assert(offsetof(QuoteRecord, description) == 16, "description at 16");
static_assert(offsetof(QuoteRecord, last_sale) == 272, "last_sale at 272");
static_assert(offsetof(QuoteRecord, todays_high) == 276, "todays_high at 276");
static_assert(offsetof(QuoteRecord, todays_low) == 280, "todays_low at 280");
static_assert(offsetof(QuoteRecord, previous_close) == 284, "previous_close at 284");
static_assert(offsetof(QuoteRecord, volume) == 288, "volume at 288");
static_assert(offsetof(QuoteRecord, updated) == 292, "updated at 292");
static_assert(offsetof(QuoteRecord, market) == 308, "market at 308");
static_assert(offsetof(QuoteRecord, detail_url) == 436, "detail_url at 436");

#ifdef __cplusplus
extern "C" {
#endif

// True when the record is a deleted entry (its symbol is exactly "NULL").
bool quote_record_is_deleted(const QuoteRecord *record);

// Forces every text field to end within its width, keeping the bytes after
// the terminator as they are. Used on records read from the store.
void quote_record_terminate_texts(QuoteRecord *record);

#ifdef __cplusplus
}
#endif

#endif

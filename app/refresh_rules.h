// The arithmetic and text rules of one refresh pass, kept apart from the
// Win32 code so they can be unit tested natively. Portable: no Windows header.
#ifndef MORVANE_APP_REFRESH_RULES_H
#define MORVANE_APP_REFRESH_RULES_H

#include <stddef.h>
#include <stdint.h>

#include "app/settings/quote_record.h"
#include "plugin/quote_plugin.h"

enum {
    REFRESH_LINE_SIZE = 64,
    REFRESH_TOOLTIP_SIZE = 128,       // tooltip field of the large icon data
    REFRESH_SMALL_TOOLTIP_SIZE = 64,  // tooltip field of the small icon data
    REFRESH_BALLOON_LIMIT = 255,
    REFRESH_MAX_INTERVAL_MINUTES = 71582  // the most minutes whose milliseconds fit 32 bits
};

#ifdef __cplusplus
extern "C" {
#endif

// Timer period for an interval in minutes. 0 (only a hand-edited store holds
// it) runs at the default 15 minutes; intervals too long for a 32-bit
// millisecond count run at the longest one that fits.
uint32_t refresh_interval_ms(uint32_t update_minutes);

// Trend icon id (113 to 117) for a summed movement; not-a-number counts as
// the steepest fall.
uint32_t refresh_trend_icon(float sum);

// True for a record the refresh visits: not deleted ("NULL") and not empty.
bool refresh_record_is_live(const QuoteRecord *record);

// An answer is taken over only when its last sale is above 0 (which fails
// for 0, negative values and not-a-number).
bool refresh_answer_accepted(const QuoteRequest *request);

// Zero-fills the request and fills in the symbol and, when `proxy` is not
// empty, the proxy text "address:port" (cut to the field if ever too long).
void refresh_build_request(QuoteRequest *request, const QuoteRecord *record, const char *proxy,
                           uint32_t proxy_port);

// Copies an accepted answer into the record and stamps it with `now`. The
// record's symbol and description stay as they are.
void refresh_take_answer(QuoteRecord *record, const QuoteRequest *request, const QuoteTime *now);

// The running values of one pass: the sum and the two texts, which list the
// accepted symbols in list order while they fit.
typedef struct RefreshPass {
    float sum;
    size_t tooltip_size;
    char tooltip[REFRESH_TOOLTIP_SIZE];
    char *balloon;  // the AppState's balloon text, 256 bytes
} RefreshPass;

// Starts a pass: sum 0, both texts empty. `balloon` must hold 256 bytes.
void refresh_pass_begin(RefreshPass *pass, bool balloon_capable, char *balloon);

// Adds one accepted record: its percentage term and its line
// "SYMBOL:$PRICE " on the tooltip and ("\n" first) on the balloon text, each
// only if the line still fits; a later, shorter line may still fit.
void refresh_pass_add(RefreshPass *pass, const QuoteRecord *record);

// The tooltip to show: the lines, or "Morvane Quote" when there are none.
const char *refresh_pass_tooltip(RefreshPass *pass);

#ifdef __cplusplus
}
#endif

#endif

#include "app/refresh_rules.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "app/app_state.h"
#include "app/resources/resource.h"
#include "plugin/fixed_text.h"

uint32_t refresh_interval_ms(uint32_t update_minutes) {
    if (update_minutes == 0) {
        update_minutes = APP_DEFAULT_UPDATE_MINUTES;
    } else if (update_minutes > REFRESH_MAX_INTERVAL_MINUTES) {
        update_minutes = REFRESH_MAX_INTERVAL_MINUTES;
    }
    return update_minutes * 60000u;
}

// The sum after adding one symbol's percentage move. The divisor is the last
// sale; the term and the addition are done in double, the sum kept as float.
// Not static, like refresh_format_line: the refresh rules' tests call both.
float refresh_add_term(float sum, float last_sale, float previous_close) {
    double term = ((double)last_sale - (double)previous_close) * (100.0 / (double)last_sale);
    return (float)((double)sum + term);
}

uint32_t refresh_trend_icon(float sum) {
    if (sum > 10.0f) {
        return IDI_TREND_STRONG_RISE;
    }
    if (sum > 5.0f) {
        return IDI_TREND_RISE;
    }
    if (sum < -10.0f || isnan(sum)) {
        return IDI_TREND_STRONG_FALL;
    }
    if (sum < -5.0f) {
        return IDI_TREND_FALL;
    }
    return IDI_TREND_STEADY;
}

bool refresh_record_is_live(const QuoteRecord *record) {
    return record->symbol[0] != '\0' && !quote_record_is_deleted(record);
}

bool refresh_answer_accepted(const QuoteRequest *request) { return request->last_sale > 0.0f; }

void refresh_build_request(QuoteRequest *request, const QuoteRecord *record, const char *proxy,
                           uint32_t proxy_port) {
    memset(request, 0, sizeof(*request));
    // The symbol is the record field's text, at most 15 characters.
    fixed_text_copy(request->symbol, QUOTE_SYMBOL_SIZE, record->symbol, sizeof(record->symbol));
    if (proxy[0] != '\0') {
        char address[APP_PROXY_SIZE];
        fixed_text_copy(address, sizeof(address), proxy, APP_PROXY_SIZE);
        // 259 characters, a colon and ten digits fill 271 of the 272 bytes.
        snprintf(request->proxy, sizeof(request->proxy), "%s:%lu", address,
                 (unsigned long)proxy_port);
    }
}

void refresh_take_answer(QuoteRecord *record, const QuoteRequest *request, const QuoteTime *now) {
    record->last_sale = request->last_sale;
    record->previous_close = request->previous_close;
    record->todays_high = request->todays_high;
    record->todays_low = request->todays_low;
    record->volume = request->volume;
    record->updated = *now;
    fixed_text_copy(record->market, sizeof(record->market), request->market,
                    sizeof(request->market));
    fixed_text_copy(record->detail_url, sizeof(record->detail_url), request->detail_url,
                    sizeof(request->detail_url));
}

// Writes the line for one symbol into `line` (REFRESH_LINE_SIZE bytes), cut
// at the buffer's end; returns its length.
size_t refresh_format_line(char *line, const char *symbol, float last_sale) {
    // A huge price makes "%.4f" long; the line is simply cut at its buffer.
    snprintf(line, REFRESH_LINE_SIZE, "%s:$%.4f ", symbol, (double)last_sale);
    return strlen(line);
}

// Appends `prefix` and `line` to `text` when the line is shorter than `limit`
// minus the text's length; returns true when appended. With limit at most the
// buffer size (less one per prefix character) the text always fits.
static bool refresh_append_if_fits(char *text, size_t limit, const char *prefix, const char *line) {
    size_t used = strlen(text);
    if (used >= limit || strlen(line) >= limit - used) {
        return false;
    }
    strcat(text, prefix);
    strcat(text, line);
    return true;
}

void refresh_pass_begin(RefreshPass *pass, bool balloon_capable, char *balloon) {
    pass->sum = 0.0f;
    pass->tooltip_size = balloon_capable ? REFRESH_TOOLTIP_SIZE : REFRESH_SMALL_TOOLTIP_SIZE;
    pass->tooltip[0] = '\0';
    pass->balloon = balloon;
    balloon[0] = '\0';
}

void refresh_pass_add(RefreshPass *pass, const QuoteRecord *record) {
    pass->sum = refresh_add_term(pass->sum, record->last_sale, record->previous_close);
    char symbol[QUOTE_SYMBOL_SIZE];
    fixed_text_copy(symbol, sizeof(symbol), record->symbol, sizeof(record->symbol));
    char line[REFRESH_LINE_SIZE];
    refresh_format_line(line, symbol, record->last_sale);
    refresh_append_if_fits(pass->tooltip, pass->tooltip_size, "", line);
    refresh_append_if_fits(pass->balloon, REFRESH_BALLOON_LIMIT, "\n", line);
}

const char *refresh_pass_tooltip(RefreshPass *pass) {
    if (pass->tooltip[0] == '\0') {
        return APP_PRODUCT_NAME;
    }
    return pass->tooltip;
}

#include "app/refresh.h"

#include <string.h>

#include "app/refresh_rules.h"
#include "app/settings/settings_store.h"
#include "app/tray_icon.h"
#include "app/tray_messages.h"

namespace {

QuoteTime local_time_now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    QuoteTime stamp;
    static_assert(sizeof(stamp) == sizeof(now), "QuoteTime has the SYSTEMTIME layout");
    memcpy(&stamp, &now, sizeof(stamp));
    return stamp;
}

// Asks the quote source about one record; true when the answer was taken.
bool refresh_record(const AppState *state, QuoteRecord *record) {
    QuoteRequest request;
    refresh_build_request(&request, record, state->proxy, state->proxy_port);
    if (state->quote_function != nullptr) {
        state->quote_function(&request);
    }
    if (!refresh_answer_accepted(&request)) {
        return false;
    }
    QuoteTime now = local_time_now();
    refresh_take_answer(record, &request, &now);
    return true;
}

}  // namespace

void refresh_quotes(HWND window, AppState *state) {
    RefreshPass pass;
    refresh_pass_begin(&pass, state->balloon_capable, state->balloon_text);
    SymbolWalk walk = symbol_list_walk(state->symbols);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        if (refresh_record_is_live(record) && refresh_record(state, record)) {
            refresh_pass_add(&pass, record);
        }
    }
    state->trend_icon = refresh_trend_icon(pass.sum);
    tray_update_icon(window, state->trend_icon, refresh_pass_tooltip(&pass),
                     state->balloon_capable);
    settings_save(state);
}

void refresh_timer_start(HWND window, const AppState *state) {
    SetTimer(window, IDT_REFRESH, refresh_interval_ms(state->update_minutes), nullptr);
}

#include "app/app_state.h"

#include <string.h>

#include "app/resources/resource.h"

void app_state_init(AppState *state) {
    memset(state, 0, sizeof(*state));
    state->trend_icon = IDI_TREND_STEADY;
    strcpy(state->balloon_text, APP_PRODUCT_NAME);
}

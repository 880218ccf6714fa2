// The quote source: the page fetch library and the quote plug-in bound to it.
#ifndef MORVANE_APP_QUOTE_SOURCE_H
#define MORVANE_APP_QUOTE_SOURCE_H

#include "app/app_state.h"

// Loads the page fetch and the plug-in as far as they go, keeping every
// module loaded in the state. A missing page fetch, or a plug-in that
// accepted but cannot quote, leaves the program unable to run: false.
// Anything short of that just leaves it without a quote source.
bool quote_source_bind(AppState *state);

// Clears the quote function and frees the plug-in, then the page fetch, so
// nothing is left pointing into them.
void quote_source_unbind(AppState *state);

#endif

// One quote as the gateway gets it from a live source and serves it to the
// ticker.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_LIVE_QUOTE_H
#define MORVANE_GATEWAY_LIVE_QUOTE_H

#include <stdint.h>

#include <string>

// A field the source did not give (or gave as "N/A") is 0 or empty.
struct LiveQuote {
    double last_sale = 0.0;
    double previous_close = 0.0;
    double todays_high = 0.0;
    double todays_low = 0.0;
    uint32_t volume = 0;
    std::string market;      // only characters that are safe inside the page
    std::string detail_url;  // the source's own page for the symbol
};

#endif

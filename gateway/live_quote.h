// One quote as the gateway gets it from a live source and serves it to the
// ticker.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_LIVE_QUOTE_H
#define MORVANE_GATEWAY_LIVE_QUOTE_H

#include <stdint.h>

#include <string>

// A time of a session that the answer states, in seconds since 1970; both 0
// when it states none.
struct SessionPeriod {
    int64_t start = 0;
    int64_t end = 0;
};

// What an answer says of its market's session: in words (Nasdaq) or in
// times (Yahoo). Read by market_session.
struct MarketSession {
    std::string exchange;  // as the source names it
    std::string currency;  // only when the prices are not in dollars: "GBp"
    std::string zone;      // the market's time zone: "America/New_York"; empty: not stated
    enum class Stated { nothing, open, pre_market, after_hours, closed };
    Stated stated = Stated::nothing;  // the session the answer names
    // The day's sessions by their times, for the day the answer is about.
    SessionPeriod pre, regular, post;
    int64_t regular_end = 0;          // when the session the figures are from ended; 0: not stated
    int64_t figures_at = 0;           // when the figures were made; 0: not stated
    double extended_last_sale = 0.0;  // the latest trade outside the regular session, if stated
};

// A field the source did not give (or gave as "N/A") is 0 or empty.
struct LiveQuote {
    double last_sale = 0.0;
    double previous_close = 0.0;
    double todays_high = 0.0;
    double todays_low = 0.0;
    uint32_t volume = 0;
    std::string market;      // only characters that are safe inside the page
    std::string detail_url;  // the source's own page for the symbol
    MarketSession session;   // the regular session's figures above are read against it
};

#endif

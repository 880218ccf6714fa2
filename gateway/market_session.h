// A quote's market session as its own answer states it, and what follows
// for the quote served: which figures, the session's word in the market
// text ("NASDAQ-GS (after hours)", "LSE (GBp, closed)"), and how long the
// figures are final once the regular session is over. No exchange calendar:
// every rule reads the answer's words and times.
//
// Portable: no Windows header. Times are seconds since 1970, handed in.
#ifndef MORVANE_GATEWAY_MARKET_SESSION_H
#define MORVANE_GATEWAY_MARKET_SESSION_H

#include <stdint.h>

#include <string>
#include <string_view>

#include "gateway/gateway_options.h"
#include "gateway/live_quote.h"

enum class SessionNow { regular, pre_market, after_hours, closed };

// The session at `now`: the one the answer names, else the one its times
// hold `now` in; a regular session when it states neither, so that nothing
// is ever taken for closed on a guess.
SessionNow session_at(const MarketSession &session, int64_t now);

// "NASDAQ-GS", "LSE (GBp)", "NASDAQ-GS (after hours)", "LSE (GBp, closed)":
// the exchange, then what is not plain in brackets. `word` may be null.
std::string market_text(const MarketSession &session, const char *word);

// `read` (the regular session's figures) as served at `now`: outside the
// regular session, with SessionChoice::extended and an extended-hours trade
// stated, that trade as the last sale against the regular close; the
// market text names what the figures are. High, low and volume stay.
LiveQuote served_quote(const LiveQuote &read, int64_t now, SessionChoice choice);

// Until when the figures of an answer taken at `taken` are final, so that
// no source need be asked: the next session the answer states, or
// kFinalRecheckSeconds on when it states none. 0 while they are not final:
// a session that counts as open (with SessionChoice::extended, the extended
// ones too), less than kFinalAfterCloseSeconds since the regular session
// ended, an end not stated, or a next session that counts and whose start
// is not stated but may be near (in the pre-market, or an extended one).
//
// `zone_next` is the start of the next session of any kind in the
// market's zone as another answer states it (next_session_start), for an
// answer that states none itself; 0 when none is known.
int64_t final_until(const MarketSession &session, int64_t taken, SessionChoice choice,
                    int64_t zone_next = 0);

// The start of the first session of any kind (pre-market or regular) that
// `session`'s times state after `now`; 0 when they state none.
int64_t next_session_start(const MarketSession &session, int64_t now);

// "Dec 7, 2026 4:00 PM ET" or "Closed at Dec 7, 2026 4:00 PM ET" in
// seconds since 1970. False for any other text.
bool read_eastern_time(std::string_view text, int64_t *seconds);

#endif

// The symbols the ticker has asked for, with when each was last asked, so
// that a stale quote can bring the others along and a restarted gateway
// knows them from its first request. Kept as text by whoever stores it.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_WATCHLIST_H
#define MORVANE_GATEWAY_WATCHLIST_H

#include <stdint.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

class Watchlist {
public:
    // Reads what `saved` wrote: one "SYMBOL SECONDS" line each, in the order
    // they were asked; lines that do not read are skipped, and of more than
    // 1,000 symbols the last are kept.
    static Watchlist loaded(std::string_view text);

    // Marks `symbol` asked at `now` (seconds since 1970). True when the
    // stored form should be written again: a symbol new to the list, or a
    // last-asked time an hour newer than the one stored.
    bool note(const std::string &symbol, int64_t now);

    // The symbols asked within the last 7 days, at most 1,000 of them (the
    // most recently asked); older ones are forgotten. They come in the order
    // of their last requests, which is the order a ticker walks its list in:
    // fetched in that order, each is ready about when it is asked for.
    std::vector<std::string> symbols(int64_t now);

    std::string saved();

private:
    struct Asked {
        int64_t at;      // seconds since 1970
        uint64_t order;  // higher for a later request
    };

    void forget_old(int64_t now);
    void forget_beyond_limit();
    std::vector<std::pair<Asked, std::string>> by_request_order() const;

    std::map<std::string, Asked> last_asked_;
    std::map<std::string, int64_t> stored_;  // what `saved` last wrote
    uint64_t next_order_ = 0;
};

#endif

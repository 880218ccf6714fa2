#include "gateway/live_sources.h"

namespace {

LiveSource nasdaq(const GatewayOptions &options) {
    LiveSource source;
    source.name = "nasdaq";
    source.base = options.nasdaq_base;
    // With Yahoo behind it, a symbol Nasdaq does not know as a stock goes
    // there; alone, Nasdaq is asked for its funds and indices too.
    bool alone = options.source == LiveSourceChoice::nasdaq;
    source.asset_classes = alone ? std::vector<std::string>{"stocks", "etf", "index"}
                                 : std::vector<std::string>{"stocks"};
    source.lists = alone ? nullptr : nasdaq_lists;
    source.quote_url = nasdaq_quote_url;
    source.read = read_nasdaq_answer;
    source.detail_url = nasdaq_detail_url;
    return source;
}

LiveSource yahoo(const GatewayOptions &options) {
    LiveSource source;
    source.name = "yahoo";
    source.base = options.yahoo_base;
    source.asset_classes = {""};
    source.lists = nullptr;
    source.quote_url = [](const std::string &base, const std::string &symbol, const std::string &) {
        return yahoo_quote_url(base, symbol);
    };
    source.read = read_yahoo_answer;
    source.detail_url = [](const std::string &symbol, const std::string &) {
        return yahoo_detail_url(symbol);
    };
    return source;
}

}  // namespace

std::vector<LiveSource> live_sources(const GatewayOptions &options) {
    switch (options.source) {
    case LiveSourceChoice::nasdaq:
        return {nasdaq(options)};
    case LiveSourceChoice::yahoo:
        return {yahoo(options)};
    case LiveSourceChoice::automatic:
        break;
    }
    return {nasdaq(options), yahoo(options)};
}

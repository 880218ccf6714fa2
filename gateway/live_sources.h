// The live sources the gateway asks, one row each, built once from the
// command line: what a source is called, where it is, how a symbol's quote
// is asked for and read, and which page shows the symbol.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_LIVE_SOURCES_H
#define MORVANE_GATEWAY_LIVE_SOURCES_H

#include <string>
#include <string_view>
#include <vector>

#include "gateway/gateway_options.h"
#include "gateway/source_answers.h"

struct LiveSource {
    const char *name;  // "nasdaq", "yahoo": as the log and the command line spell it
    std::string base;
    // The classes a symbol may be listed under, tried in this order while
    // the source says the symbol does not exist under the one before; one
    // empty class for a source that has none.
    std::vector<std::string> asset_classes;
    // Whether the source can know the symbol at all; null: any symbol.
    bool (*lists)(const std::string &symbol);
    std::string (*quote_url)(const std::string &base, const std::string &symbol,
                             const std::string &asset_class);
    SourceReading (*read)(std::string_view body);
    std::string (*detail_url)(const std::string &symbol, const std::string &asset_class);
};

// The sources `options` asks for, in the order they are asked.
std::vector<LiveSource> live_sources(const GatewayOptions &options);

#endif

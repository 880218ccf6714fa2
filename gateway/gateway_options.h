// The gateway's command line.
//
// Portable: no Windows header.
#ifndef MORVANE_GATEWAY_GATEWAY_OPTIONS_H
#define MORVANE_GATEWAY_GATEWAY_OPTIONS_H

#include <stdint.h>

#include <string>
#include <vector>

enum class LiveSourceChoice { nasdaq, yahoo, automatic };

// Outside the regular session: its figures (regular), or the latest
// extended-hours trade where a source states one (extended).
enum class SessionChoice { regular, extended };

#define GATEWAY_FILE_NAME "Morvane Quote Gateway.exe"

constexpr uint16_t kDefaultGatewayPort = 8421;

struct GatewayOptions {
    uint16_t port = kDefaultGatewayPort;
    LiveSourceChoice source = LiveSourceChoice::automatic;
    SessionChoice session = SessionChoice::regular;
    std::string nasdaq_base = "https://api.nasdaq.com";
    std::string yahoo_base = "https://query1.finance.yahoo.com";
    uint32_t cache_seconds = 60;
    std::string log_file;  // empty: no log
    bool stop = false;     // stop the gateway on `port` instead of serving
    bool notify = true;    // an icon in the notification area while quotes have stopped
    // Started once the gateway listens, or at once when it cannot; empty:
    // none.
    std::string start_ticker;
    uint32_t listen_delay_seconds = 0;  // held back before listening, as a slow log-on
};

// Reads the arguments after the program name. On a bad or unknown argument
// returns false with `error` saying which and what was expected; `options`
// then holds what was read before it (so a --log given earlier still
// counts).
bool parse_gateway_options(const std::vector<std::string> &arguments, GatewayOptions *options,
                           std::string *error);

// The usage text shown with an error.
const char *gateway_usage();

#endif

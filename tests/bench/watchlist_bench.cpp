// A refresh of the real Morvane Quote.exe through the gateway, against a
// fake source that answers every symbol after a set delay: warm (every
// quote cached), cold (every quote stale, the gateway knowing the
// watchlist) and after a restart of the gateway. Each is set against the
// least a polite client can take, the larger of ceil(N/6) delays and one
// delay plus the warm refresh, and against one round trip plus the warm
// refresh.
//
//   watchlist_bench FAKE_SOURCE_PORT SYMBOLS DELAY_MS ROUNDS
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/tray_messages.h"
#include "app_test_support.h"
#include "bench/bare_get.h"
#include "bench/bench_support.h"
#include "gateway/gateway_limits.h"
#include "gateway/watchlist_store.h"
#include "program_process.h"
#include "support/gateway_process.h"
#include "support/loopback.h"
#include "support/settings_key.h"
#include "support/win32_test_support.h"

namespace {

// The cache period must outlast the first refresh, which finds nothing
// cached and the watchlist unknown and so waits for each symbol in turn;
// otherwise the "warm" refresh finds its first quotes stale again.
long cache_seconds(long symbols, long delay_ms) { return 10 + symbols * (delay_ms + 100) / 1000; }
const DWORD kRefreshTimeoutMs = 120000;

// Times one refresh: the timer's message returns once the refresh is done.
double timed_refresh(HWND window) {
    double started = bench::now_ms();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_TIMER, IDT_REFRESH, 0, SMTO_NORMAL, kRefreshTimeoutMs,
                             &result)) {
        return -1;
    }
    return bench::now_ms() - started;
}

// The fake source's most requests at once and its requests since last asked.
struct SourceLoad {
    long peak = 0;
    long requests = 0;
};

SourceLoad take_load(long source_port) {
    bench::GetTarget target;
    target.host = "127.0.0.1";
    target.port = static_cast<INTERNET_PORT>(source_port);
    target.path = "/peak";
    char text[64] = "";
    DWORD length = bench::bare_get(target, text, sizeof(text) - 1, false);
    text[length] = '\0';
    SourceLoad load;
    sscanf(text, "%ld %ld", &load.peak, &load.requests);
    return load;
}

struct Round {
    double warm = -1, cold = -1, restarted = -1;
    SourceLoad warm_load, cold_load, restarted_load;
};

Round measure(long source_port, DWORD gateway_port, long cache_seconds) {
    Round round;
    std::string arguments = "--cache-seconds " + std::to_string(cache_seconds);
    auto gateway = std::make_unique<mqtest::GatewayProcess>(source_port, arguments, gateway_port);
    apptest::ProgramProcess program(std::string(MQ_DELIVERABLE_DIR) + "\\" APP_PROGRAM_FILE_NAME,
                                    MQ_DELIVERABLE_DIR, "");
    HWND window = program.wait_for_window(TRAY_WINDOW_CLASS, 30000);
    if (!gateway->ready() || window == nullptr) return round;
    timed_refresh(window);  // every quote cached from here on
    take_load(source_port);
    round.warm = timed_refresh(window);
    round.warm_load = take_load(source_port);
    Sleep(cache_seconds * 1000 + 500);
    take_load(source_port);
    round.cold = timed_refresh(window);
    round.cold_load = take_load(source_port);
    gateway.reset();
    gateway = std::make_unique<mqtest::GatewayProcess>(source_port, arguments, gateway_port);
    take_load(source_port);
    round.restarted = timed_refresh(window);
    round.restarted_load = take_load(source_port);
    PostMessageA(window, WM_CLOSE, 0, 0);
    program.wait_for_exit();
    return round;
}

}  // namespace

int main(int argc, char **argv) {
    long source_port = bench::number_argument(argc > 1 ? argv[1] : nullptr, 0);
    long symbols = bench::number_argument(argc > 2 ? argv[2] : nullptr, 0);
    long delay = bench::number_argument(argc > 3 ? argv[3] : nullptr, 0);
    long rounds = bench::number_argument(argc > 4 ? argv[4] : nullptr, 0);
    if (argc != 5 || source_port <= 0 || source_port > 65535 || symbols < 1 || symbols > 999 ||
        delay < 1 || rounds < 1) {
        fprintf(stderr, "usage: watchlist_bench FAKE_SOURCE_PORT SYMBOLS(1-999) DELAY_MS ROUNDS\n");
        return 2;
    }
    DWORD gateway_port = mqtest::free_loopback_port();
    std::vector<QuoteRecord> seeded;
    for (long i = 1; i <= symbols; ++i)
        seeded.push_back(mqtest::make_record(("W" + std::to_string(i)).c_str()));
    char title[160];
    snprintf(title, sizeof(title),
             "refresh of %ld symbols through the gateway, source answering after %ld ms", symbols,
             delay);
    bench::Report report(title);
    report.set_goal("cold / polite", 1.3);
    report.set_goal("after restart / polite", 1.3);
    std::vector<double> peaks, requests, warm_requests;
    for (long r = 0; r < rounds; ++r) {
        mqtest::delete_store();
        mqtest::seed_settings(seeded, "127.0.0.1", gateway_port);
        RegDeleteKeyA(HKEY_CURRENT_USER, GATEWAY_REGISTRY_KEY);
        Round round = measure(source_port, gateway_port, cache_seconds(symbols, delay));
        if (round.warm < 0 || round.cold < 0 || round.restarted < 0) {
            fprintf(stderr,
                    "watchlist_bench: a refresh did not end (warm %.0f, cold %.0f, after restart "
                    "%.0f ms)\n",
                    round.warm, round.cold, round.restarted);
            return 1;
        }
        double waves = static_cast<double>((symbols + kRequestsPerSource - 1) / kRequestsPerSource);
        double polite = std::max(waves * delay, delay + round.warm);
        double one_trip = delay + round.warm;
        report.add_time("warm", round.warm);
        report.add_time("cold", round.cold);
        report.add_time("after restart", round.restarted);
        report.add_time("limit: polite", polite);
        report.add_time("limit: one round trip", one_trip);
        report.add_ratio("cold / polite", round.cold, polite);
        report.add_ratio("after restart / polite", round.restarted, polite);
        report.add_ratio("cold / one round trip", round.cold, one_trip);
        report.add_ratio("after restart / one round trip", round.restarted, one_trip);
        peaks.push_back(std::max(round.cold_load.peak, round.restarted_load.peak));
        requests.push_back(round.cold_load.requests);
        requests.push_back(round.restarted_load.requests);
        warm_requests.push_back(round.warm_load.requests);
    }
    report.print();
    bench::Spread peak = bench::spread(peaks);
    bench::Spread per_refresh = bench::spread(requests);
    printf("  upstream requests at once, most: %.0f (%.0f..%.0f; goal <= %u)\n", peak.median,
           peak.low, peak.high, static_cast<unsigned>(kRequestsPerSource));
    printf("  upstream requests per refresh: %.0f (%.0f..%.0f; goal %ld, one per symbol)\n",
           per_refresh.median, per_refresh.low, per_refresh.high, symbols);
    bench::Spread warm_per_refresh = bench::spread(warm_requests);
    printf(
        "  upstream requests in the warm refresh: %.0f (%.0f..%.0f; 0 when every quote was "
        "cached)\n",
        warm_per_refresh.median, warm_per_refresh.low, warm_per_refresh.high);
    mqtest::delete_store();
    RegDeleteKeyA(HKEY_CURRENT_USER, GATEWAY_REGISTRY_KEY);
    return 0;
}

// The tray program's refresh of N symbols, through the real plug-in and
// page fetch against the quote server as the program's proxy, against the
// bare limit: N plain WinINet GETs of the same pages from the same server,
// without and with the connection-state probe that must precede each fetch.
// The bare GETs are made during the refresh, beside each quote call, and
// their time is taken off the refresh's (see Interleaving).
//
//   refresh_bench QUOTE_SERVER_PORT ROUNDS SYMBOLS...
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <shlwapi.h>
#include <wininet.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/refresh.h"
#include "app/settings/settings_store.h"
#include "app/tray_icon.h"
#include "bench/bare_get.h"
#include "bench/bench_support.h"
#include "pagefetch/page_fetch.h"

namespace {

const DWORD kPageCapacity = 150000;

typedef void(MQ_CDECL *AttachFunction)(AttachRecord *record);

// The page fetch and the plug-in from the deliverables folder, bound as
// the tray program binds them.
bool bind_quote_source(AppState *state) {
    std::string folder = MQ_DELIVERABLE_DIR;
    HMODULE utilities = LoadLibraryA((folder + "\\" MQUTILITES_FILE_NAME).c_str());
    HMODULE plugin = LoadLibraryA((folder + "\\" MQX_PLUGIN_FILE_NAME).c_str());
    if (utilities == nullptr || plugin == nullptr) return false;
    auto get_page = reinterpret_cast<GetPageFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(utilities, MQUTILITES_GET_PAGE_EXPORT)));
    auto attach = reinterpret_cast<AttachFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(plugin, MQX_ATTACH_EXPORT)));
    state->quote_function = reinterpret_cast<MqxQuoteFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(plugin, MQX_QUOTE_EXPORT)));
    if (get_page == nullptr || attach == nullptr || state->quote_function == nullptr) return false;
    AttachRecord record;
    memset(&record, 0, sizeof(record));
    record.version = MQX_INTERFACE_VERSION;
    record.get_page = get_page;
    attach(&record);
    return record.accepted == 1;
}

std::string symbol_name(int number) { return "S" + std::to_string(number); }

void fill_list(AppState *state, int count) {
    settings_free(state);
    symbol_list_create(&state->symbols);
    for (int n = 0; n < count; ++n) {
        QuoteRecord record;
        memset(&record, 0, sizeof(record));
        snprintf(record.symbol, sizeof(record.symbol), "%s", symbol_name(n).c_str());
        snprintf(record.description, sizeof(record.description), "%s Inc.", record.symbol);
        symbol_list_append(state->symbols, &record, sizeof(record));
    }
}

// How many records of the list the refresh gave a quote.
int quoted_records(AppState *state) {
    int quoted = 0;
    SymbolWalk walk = symbol_list_walk(state->symbols);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        if (record->last_sale > 0.0f) ++quoted;
    }
    return quoted;
}

// The bare GETs run inside the refresh, one of each beside each quote
// call and in an order that turns from symbol to symbol, so that all three
// meet the machine in the same state: the machine is shared, and its load
// moves within the seconds a whole refresh takes. Their time is taken off
// the refresh's.
struct Interleaving {
    MqxQuoteFunction quote = nullptr;
    std::string proxy;
    std::vector<char> page = std::vector<char>(kPageCapacity);
    int calls = 0;
    int failed_gets = 0;
    double bare_ms = 0;
    double probed_ms = 0;
};
Interleaving g_interleaving;

double timed_bare_get(const char *symbol, bool probe) {
    Interleaving &run = g_interleaving;
    double started = bench::now_ms();
    if (bench::bare_get(bench::quote_page_target(run.proxy, symbol), run.page.data(), kPageCapacity,
                        probe) == 0) {
        ++run.failed_gets;
    }
    return bench::now_ms() - started;
}

int32_t MQ_CDECL quote_beside_bare_gets(QuoteRequest *request) {
    Interleaving &run = g_interleaving;
    std::string symbol = request->symbol;
    int32_t result = 0;
    for (int step = 0; step < 3; ++step) {
        switch ((step + run.calls) % 3) {
        case 0:
            result = run.quote(request);
            break;
        case 1:
            run.bare_ms += timed_bare_get(symbol.c_str(), false);
            break;
        case 2:
            run.probed_ms += timed_bare_get(symbol.c_str(), true);
            break;
        }
    }
    ++run.calls;
    return result;
}

// One refresh (the tray program's whole pass, its save included) with the
// bare GETs beside each of its quote calls.
bool measure_round(HWND window, AppState *state, int count, bench::Report &report) {
    Interleaving &run = g_interleaving;
    run.quote = state->quote_function;
    run.proxy = std::string(state->proxy) + ":" + std::to_string(state->proxy_port);
    run.calls = run.failed_gets = 0;
    run.bare_ms = run.probed_ms = 0;
    fill_list(state, count);
    state->quote_function = quote_beside_bare_gets;
    double started = bench::now_ms();
    refresh_quotes(window, state);
    double refresh = bench::now_ms() - started - run.bare_ms - run.probed_ms;
    state->quote_function = run.quote;
    if (quoted_records(state) != count || run.calls != count || run.failed_gets != 0) {
        fprintf(stderr, "refresh_bench: %d of %d symbols quoted, %d bare GETs failed\n",
                quoted_records(state), count, run.failed_gets);
        return false;
    }
    started = bench::now_ms();
    settings_save(state);
    double save = bench::now_ms() - started;
    report.add_time("refresh (plug-in, page fetch, save)", refresh);
    report.add_time("bare GETs", run.bare_ms);
    report.add_time("bare GETs, each after the probe", run.probed_ms);
    report.add_time("the probes alone (difference)", run.probed_ms - run.bare_ms);
    report.add_time("a save of the list alone", save);
    report.add_ratio("refresh / bare GETs with the probe", refresh, run.probed_ms);
    report.add_ratio("refresh / bare GETs", refresh, run.bare_ms);
    return true;
}

// Wine's InternetGetConnectedState lists the network adapters with their
// gateways (GetAdaptersAddresses) to find one with a default route, and
// each listing asks Wine's network service, which runs in another process.
// A probe costs about two listings (the first asks for the size).
void measure_probe(long calls) {
    bench::Report report("the connection-state probe under Wine, per call");
    std::vector<char> buffer(64 * 1024);
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER |
                        GAA_FLAG_SKIP_FRIENDLY_NAME | GAA_FLAG_INCLUDE_GATEWAYS;
    for (long call = 0; call < calls; ++call) {
        double started = bench::now_ms();
        bench::connection_state_allows_fetches();
        double probed = bench::now_ms();
        ULONG size = static_cast<ULONG>(buffer.size());
        GetAdaptersAddresses(AF_UNSPEC, flags, nullptr,
                             reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data()), &size);
        report.add_time("InternetGetConnectedState", probed - started);
        report.add_time("GetAdaptersAddresses with gateways", bench::now_ms() - probed);
    }
    report.print();
}

}  // namespace

int main(int argc, char **argv) {
    long port = bench::number_argument(argc > 1 ? argv[1] : nullptr, 0);
    long rounds = bench::number_argument(argc > 2 ? argv[2] : nullptr, 0);
    if (argc < 4 || port <= 0 || port > 65535 || rounds < 1) {
        fprintf(stderr, "usage: refresh_bench QUOTE_SERVER_PORT ROUNDS SYMBOLS...\n");
        return 2;
    }
    if (!bench::connection_state_allows_fetches()) {
        fprintf(stderr,
                "refresh_bench: InternetGetConnectedState is FALSE (no network adapter with a "
                "default route), so the page fetch fetches nothing\n");
        return 1;
    }
    AppState state;
    app_state_init(&state);
    state.balloon_capable = 1;
    state.update_minutes = 15;
    snprintf(state.proxy, sizeof(state.proxy), "127.0.0.1");
    state.proxy_port = static_cast<uint32_t>(port);
    if (!bind_quote_source(&state)) {
        fprintf(stderr, "refresh_bench: cannot bind the plug-in and page fetch in %s\n",
                MQ_DELIVERABLE_DIR);
        return 1;
    }
    HWND window = CreateWindowExA(0, "STATIC", "refresh bench", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    tray_add_icon(window, state.balloon_capable);
    measure_probe(20);
    int status = 0;
    for (int argument = 3; argument < argc && status == 0; ++argument) {
        long count = bench::number_argument(argv[argument], 0);
        if (count < 1 || count > SYMBOL_LIST_MAX_POSITIONS) {
            fprintf(stderr, "refresh_bench: %s is not a symbol count from 1 to %d\n",
                    argv[argument], SYMBOL_LIST_MAX_POSITIONS);
            return 2;
        }
        bench::Report report("refresh of " + std::to_string(count) + " symbols under Wine");
        report.set_goal("refresh / bare GETs with the probe", 1.10);
        for (long round = 0; round < rounds && status == 0; ++round) {
            if (!measure_round(window, &state, static_cast<int>(count), report)) status = 1;
        }
        if (status == 0) report.print();
    }
    tray_remove_icon(window, state.balloon_capable);
    DestroyWindow(window);
    settings_free(&state);
    // Each refresh saved its list in the bench prefix's store.
    SHDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH);
    return status;
}

// Start-up of the real Morvane Quote.exe with 5 symbols, from its start to
// the first refresh found saved in the registry, against a bare program
// that starts, makes a window, fetches the 5 pages with plain probed
// WinINet GETs and writes the 5 records, timed the same way.
//
//   startup_bench QUOTE_SERVER_PORT ROUNDS
//   startup_bench --bare QUOTE_SERVER_PORT     (the bare program itself)
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/settings/settings_store.h"
#include "app/tray_messages.h"
#include "app_test_support.h"
#include "bench/bare_get.h"
#include "bench/bench_support.h"
#include "plugin/quote_page.h"
#include "program_process.h"
#include "support/settings_key.h"

namespace {

const char *const kSymbols[] = {"MSFT", "INTC", "CSCO", "ORCL", "AAPL"};
const DWORD kRefreshWaitMs = 60000;
const DWORD kPollMs = 10;

std::string proxy_of(long port) { return "127.0.0.1:" + std::to_string(port); }

// --- the bare program ---

void write_record(HKEY store, int number, const QuoteRecord &record) {
    char name[16];
    snprintf(name, sizeof(name), "SYM%03d", number);
    HKEY entry = nullptr;
    if (RegCreateKeyExA(store, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &entry, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(entry, "MQS", 0, REG_BINARY, reinterpret_cast<const BYTE *>(&record),
                       sizeof(record));
        RegCloseKey(entry);
    }
}

int run_bare(long port) {
    HWND window = CreateWindowExA(0, "STATIC", "bare", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    std::vector<char> page(150001);
    std::vector<QuoteRecord> records;
    for (const char *symbol : kSymbols) {
        DWORD length = bench::bare_get(bench::quote_page_target(proxy_of(port), symbol),
                                       page.data(), static_cast<DWORD>(page.size() - 1), true);
        page[length] = '\0';
        QuoteRequest request;
        memset(&request, 0, sizeof(request));
        parse_quote_page(&request, page.data());
        QuoteRecord record = mqtest::make_record(symbol);
        record.last_sale = request.last_sale;
        GetLocalTime(reinterpret_cast<SYSTEMTIME *>(&record.updated));
        records.push_back(record);
    }
    HKEY store = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_CREATE_SUB_KEY, nullptr, &store, nullptr) == ERROR_SUCCESS) {
        for (size_t n = 0; n < records.size(); ++n)
            write_record(store, static_cast<int>(n), records[n]);
        RegCloseKey(store);
    }
    DestroyWindow(window);
    return 0;
}

// --- the measurement ---

bool all_quoted() {
    std::vector<QuoteRecord> stored = mqtest::stored_records();
    if (stored.size() != sizeof(kSymbols) / sizeof(kSymbols[0])) return false;
    for (const QuoteRecord &record : stored) {
        if (!(record.last_sale > 0.0f) || !apptest::is_today(record.updated)) return false;
    }
    return true;
}

// Milliseconds from the start of `exe` until the 5 records are stored
// quoted; negative when they never are.
double time_to_saved_quotes(const std::string &exe, const std::string &arguments, long port,
                            bool is_tray_program) {
    std::vector<QuoteRecord> seeded;
    for (const char *symbol : kSymbols) seeded.push_back(mqtest::make_record(symbol));
    mqtest::delete_store();
    mqtest::seed_settings(seeded, "127.0.0.1", static_cast<DWORD>(port));
    double started = bench::now_ms();
    apptest::ProgramProcess program(exe, MQ_DELIVERABLE_DIR, arguments);
    if (!program.started()) return -1;
    double elapsed = -1;
    while (bench::now_ms() - started < kRefreshWaitMs) {
        if (all_quoted()) {
            elapsed = bench::now_ms() - started;
            break;
        }
        Sleep(kPollMs);
    }
    if (is_tray_program) {
        HWND window = program.window(TRAY_WINDOW_CLASS);
        if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (program.wait_for_exit() != 0) elapsed = -1;
    return elapsed;
}

std::string own_path() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "--bare") == 0) {
        return run_bare(bench::number_argument(argv[2], 0));
    }
    long port = bench::number_argument(argc > 1 ? argv[1] : nullptr, 0);
    long rounds = bench::number_argument(argc > 2 ? argv[2] : nullptr, 0);
    if (argc != 3 || port <= 0 || port > 65535 || rounds < 1) {
        fprintf(stderr, "usage: startup_bench QUOTE_SERVER_PORT ROUNDS\n");
        return 2;
    }
    std::string program = std::string(MQ_DELIVERABLE_DIR) + "\\" APP_PROGRAM_FILE_NAME;
    std::string bare_arguments = "--bare " + std::to_string(port);
    bench::Report report(
        "start-up of Morvane Quote.exe to its first saved refresh, 5 symbols, under Wine");
    for (long round = 0; round < rounds; ++round) {
        double real = 0, bare = 0;
        for (int step = 0; step < 2; ++step) {
            if ((step + round) % 2 == 0) {
                real = time_to_saved_quotes(program, "", port, true);
            } else {
                bare = time_to_saved_quotes(own_path(), bare_arguments, port, false);
            }
        }
        if (real < 0 || bare < 0) {
            fprintf(
                stderr,
                "startup_bench: no saved refresh within %lu s (program %.0f ms, bare %.0f ms)\n",
                kRefreshWaitMs / 1000, real, bare);
            mqtest::delete_store();
            return 1;
        }
        report.add_time(APP_PROGRAM_FILE_NAME, real);
        report.add_time("bare start, 5 probed GETs, 5 writes", bare);
        report.add_ratio("program / bare", real, bare);
    }
    report.print();
    mqtest::delete_store();
    return 0;
}

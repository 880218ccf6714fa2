// settings_save and settings_load of a full list (1000 records) against the
// least the store's layout allows: creating or opening the 1000 numbered
// subkeys and writing (reading) the one 692-byte value of each.
//
// The bare calls are made during the save or load, entry by entry, on a key
// of their own beside the store (see RawSide), and their time is taken off
// the store's: the machine is shared, and its load moves within the tens of
// milliseconds a save takes, so figures taken one after the other would
// scatter more than they differ.
//
//   settings_bench ROUNDS
#include <windows.h>
#include <shlwapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/settings/settings_store.h"
#include "app/settings/settings_store_seam.h"
#include "bench/bench_support.h"

namespace {

const int kRecords = SYMBOL_LIST_MAX_POSITIONS;
const char kRawKeyPath[] = SETTINGS_KEY_PATH " (bench)";

QuoteRecord g_records[kRecords];

QuoteRecord record_for(int number) {
    QuoteRecord record;
    memset(&record, 0, sizeof(record));
    snprintf(record.symbol, sizeof(record.symbol), "S%03d", number);
    snprintf(record.description, sizeof(record.description), "Benchmark %d", number);
    record.last_sale = 10.0f + static_cast<float>(number);
    return record;
}

// The bare calls for one entry, as the store's layout needs them and no
// more, on the key kRawKeyPath, which has the store's layout.
enum class RawStep {
    write,          // create (or open) the entry and write its record
    write_counted,  // the same, and ask how many subkeys and values it holds:
                    // the one question a save over a store must ask of each
                    // entry, since what deleting the entries first and
                    // writing them afresh would leave depends on the answer
    read            // open the entry and read its record
};

struct RawSide {
    HKEY key = nullptr;
    RawStep step = RawStep::write;
    double ms = 0;
    bool good = true;
};
RawSide g_raw;

void run_raw_step(int number) {
    char name[16];
    snprintf(name, sizeof(name), "SYM%03d", number);
    double started = bench::now_ms();
    HKEY entry = nullptr;
    LONG opened = g_raw.step == RawStep::read
                      ? RegOpenKeyExA(g_raw.key, name, 0, KEY_QUERY_VALUE, &entry)
                      : RegCreateKeyExA(g_raw.key, name, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &entry, nullptr);
    if (opened != ERROR_SUCCESS) {
        g_raw.good = false;
        return;
    }
    BYTE *record = reinterpret_cast<BYTE *>(&g_records[number]);
    DWORD size = sizeof(QuoteRecord);
    DWORD subkeys = 0, values = 0;
    switch (g_raw.step) {
    case RawStep::read:
        g_raw.good &=
            RegQueryValueExA(entry, "MQS", nullptr, nullptr, record, &size) == ERROR_SUCCESS;
        break;
    case RawStep::write_counted:
        g_raw.good &= RegSetValueExA(entry, "MQS", 0, REG_BINARY, record, size) == ERROR_SUCCESS;
        g_raw.good &=
            RegQueryInfoKeyA(entry, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        break;
    case RawStep::write:
        g_raw.good &= RegSetValueExA(entry, "MQS", 0, REG_BINARY, record, size) == ERROR_SUCCESS;
        break;
    }
    RegCloseKey(entry);
    g_raw.ms += bench::now_ms() - started;
}

// The store's own registry calls, with the bare calls for entry SYMnnn run
// just before the store opens or creates that entry.
bool is_entry(HKEY parent, const char *name) {
    return parent != HKEY_CURRENT_USER && strncmp(name, "SYM", 3) == 0;
}

LONG open_beside_raw(HKEY parent, const char *name, HKEY *out) {
    if (is_entry(parent, name)) run_raw_step(atoi(name + 3));
    return settings_registry_win32()->open_key(parent, name, out);
}

LONG create_beside_raw(HKEY parent, const char *name, HKEY *out, DWORD *disposition) {
    if (is_entry(parent, name)) run_raw_step(atoi(name + 3));
    return settings_registry_win32()->create_key(parent, name, out, disposition);
}

SettingsRegistry registry_beside_raw() {
    SettingsRegistry registry = *settings_registry_win32();
    registry.open_key = open_beside_raw;
    registry.create_key = create_beside_raw;
    return registry;
}

void delete_stores() {
    SHDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH);
    SHDeleteKeyA(HKEY_CURRENT_USER, kRawKeyPath);
}

void fill_state(AppState *state) {
    settings_free(state);
    symbol_list_create(&state->symbols);
    for (int n = 0; n < kRecords; ++n)
        symbol_list_append(state->symbols, &g_records[n], sizeof(g_records[n]));
}

// Runs `operation` (a save or a load through `registry`) with the bare
// `step` beside it; the store's time and the bare calls' time.
template <typename Operation>
bool time_beside(RawStep step, Operation operation, double *store_ms, double *raw_ms) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRawKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &g_raw.key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    g_raw.step = step;
    g_raw.ms = 0;
    g_raw.good = true;
    double started = bench::now_ms();
    operation();
    *store_ms = bench::now_ms() - started - g_raw.ms;
    *raw_ms = g_raw.ms;
    RegCloseKey(g_raw.key);
    return g_raw.good;
}

bool measure_round(AppState *state, bench::Report &report) {
    SettingsRegistry registry = registry_beside_raw();
    auto save = [&] { settings_save_to(state, &registry); };
    double store = 0, raw = 0, counted_store = 0, counted = 0;
    fill_state(state);
    delete_stores();
    bool good = time_beside(RawStep::write, save, &store, &raw);
    report.add_time("settings_save, first (empty store)", store);
    report.add_time("raw writes, first", raw);
    report.add_ratio("first save / raw writes", store, raw);

    good &= time_beside(RawStep::write, save, &store, &raw);
    good &= time_beside(RawStep::write_counted, save, &counted_store, &counted);
    report.add_time("settings_save over a store of 1000", store);
    report.add_time("raw writes over a store of 1000", raw);
    report.add_time("settings_save over 1000 (again)", counted_store);
    report.add_time("raw writes and each entry's counts", counted);
    report.add_ratio("save over 1000 / raw writes", store, raw);
    report.add_ratio("save over 1000 / raw writes and counts", counted_store, counted);

    good &= time_beside(
        RawStep::read, [&] { settings_load_from(state, &registry); }, &store, &raw);
    report.add_time("settings_load", store);
    report.add_time("raw reads", raw);
    report.add_ratio("load / raw reads", store, raw);
    if (symbol_list_last_position(state->symbols) != kRecords - 1) {
        fprintf(stderr, "settings_bench: the load read %d records\n",
                symbol_list_last_position(state->symbols) + 1);
        return false;
    }
    if (!good) fprintf(stderr, "settings_bench: a raw registry call failed\n");
    return good;
}

}  // namespace

int main(int argc, char **argv) {
    long rounds = bench::number_argument(argc > 1 ? argv[1] : nullptr, 0);
    if (argc != 2 || rounds < 1) {
        fprintf(stderr, "usage: settings_bench ROUNDS\n");
        return 2;
    }
    for (int n = 0; n < kRecords; ++n) g_records[n] = record_for(n);
    AppState state;
    app_state_init(&state);
    state.update_minutes = 15;
    bench::Report report("settings store, 1000 records, under Wine");
    report.set_goal("first save / raw writes", 1.3);
    report.set_goal("save over 1000 / raw writes", 1.3);
    int status = 0;
    for (long round = 0; round < rounds && status == 0; ++round) {
        if (!measure_round(&state, report)) status = 1;
    }
    if (status == 0) report.print();
    settings_free(&state);
    delete_stores();
    return status;
}

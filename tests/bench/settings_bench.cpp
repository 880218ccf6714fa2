// settings_save and settings_load of a full list (1000 records) against the
// least the store's layout allows: creating or opening the 1000 numbered
// subkeys and writing (reading) the one 692-byte value of each.
//
//   settings_bench ROUNDS
#include <windows.h>
#include <shlwapi.h>

#include <stdio.h>
#include <string.h>

#include "app/settings/settings_store.h"
#include "bench/bench_support.h"

namespace {

const int kRecords = SYMBOL_LIST_MAX_POSITIONS;

void subkey_name(char (&name)[16], int number) { snprintf(name, sizeof(name), "SYM%03d", number); }

QuoteRecord record_for(int number) {
    QuoteRecord record;
    memset(&record, 0, sizeof(record));
    snprintf(record.symbol, sizeof(record.symbol), "S%03d", number);
    snprintf(record.description, sizeof(record.description), "Benchmark %d", number);
    record.last_sale = 10.0f + static_cast<float>(number);
    return record;
}

void delete_store() { SHDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH); }

// Creates (or opens) every subkey and writes its record, nothing else. With
// `count_entries` it also asks each subkey how many subkeys and values it
// holds, the one question per entry that the store's rule for a save over
// an existing store has to ask (what deleting the entries first and writing
// them afresh would leave depends on the answer).
bool raw_writes(const QuoteRecord *records, bool count_entries = false) {
    HKEY store = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_CREATE_SUB_KEY, nullptr, &store, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool all_written = true;
    char name[16];
    for (int n = 0; n < kRecords; ++n) {
        subkey_name(name, n);
        HKEY entry = nullptr;
        if (RegCreateKeyExA(store, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr,
                            &entry, nullptr) != ERROR_SUCCESS) {
            all_written = false;
            continue;
        }
        all_written &= RegSetValueExA(entry, "MQS", 0, REG_BINARY, reinterpret_cast<const BYTE *>(&records[n]),
                                      sizeof(QuoteRecord)) == ERROR_SUCCESS;
        DWORD subkeys = 0;
        DWORD values = 0;
        if (count_entries) {
            all_written &= RegQueryInfoKeyA(entry, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        }
        RegCloseKey(entry);
    }
    RegCloseKey(store);
    return all_written;
}

// Opens every subkey and reads its record, nothing else.
bool raw_reads(QuoteRecord *records) {
    HKEY store = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_ENUMERATE_SUB_KEYS, &store) != ERROR_SUCCESS) {
        return false;
    }
    bool all_read = true;
    char name[16];
    for (int n = 0; n < kRecords; ++n) {
        subkey_name(name, n);
        HKEY entry = nullptr;
        if (RegOpenKeyExA(store, name, 0, KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS) {
            all_read = false;
            continue;
        }
        DWORD size = sizeof(QuoteRecord);
        all_read &= RegQueryValueExA(entry, "MQS", nullptr, nullptr, reinterpret_cast<BYTE *>(&records[n]),
                                     &size) == ERROR_SUCCESS;
        RegCloseKey(entry);
    }
    RegCloseKey(store);
    return all_read;
}

void fill_state(AppState *state, const QuoteRecord *records) {
    settings_free(state);
    symbol_list_create(&state->symbols);
    for (int n = 0; n < kRecords; ++n) symbol_list_append(state->symbols, &records[n], sizeof(records[n]));
}

template <typename Operation>
double timed(Operation operation) {
    double started = bench::now_ms();
    operation();
    return bench::now_ms() - started;
}

// One round. Each figure is taken right beside its limit, the two in an
// order that turns with the round, so that both meet the machine (shared,
// its load moving) in the same state.
bool measure_round(AppState *state, QuoteRecord *records, long round, bench::Report &report) {
    bool good = true;
    bool store_first = round % 2 == 0;
    double save = 0, raw = 0;
    fill_state(state, records);
    for (int side = 0; side < 2; ++side) {
        delete_store();
        if ((side == 0) == store_first) {
            save = timed([&] { settings_save(state); });
        } else {
            raw = timed([&] { good &= raw_writes(records); });
        }
    }
    report.add_time("settings_save, first (empty store)", save);
    report.add_time("raw writes, first", raw);
    report.add_ratio("first save / raw writes", save, raw);

    // The store now holds the 1000 entries either side wrote: the same ones.
    double counted = 0;
    for (int side = 0; side < 3; ++side) {
        switch ((side + round) % 3) {
        case 0: save = timed([&] { settings_save(state); }); break;
        case 1: raw = timed([&] { good &= raw_writes(records); }); break;
        case 2: counted = timed([&] { good &= raw_writes(records, true); }); break;
        }
    }
    report.add_time("settings_save over a store of 1000", save);
    report.add_time("raw writes over a store of 1000", raw);
    report.add_time("the same, asking each entry's counts", counted);
    report.add_ratio("save over 1000 / raw writes", save, raw);
    report.add_ratio("save over 1000 / raw writes and counts", save, counted);

    double load = 0;
    for (int side = 0; side < 2; ++side) {
        if ((side == 0) == store_first) {
            load = timed([&] { settings_load(state); });
        } else {
            raw = timed([&] { good &= raw_reads(records); });
        }
    }
    report.add_time("settings_load", load);
    report.add_time("raw reads", raw);
    report.add_ratio("load / raw reads", load, raw);
    if (symbol_list_last_position(state->symbols) != kRecords - 1) {
        fprintf(stderr, "settings_bench: the load read %d records\n", symbol_list_last_position(state->symbols) + 1);
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
    static QuoteRecord records[kRecords];
    for (int n = 0; n < kRecords; ++n) records[n] = record_for(n);
    AppState state;
    app_state_init(&state);
    state.update_minutes = 15;
    bench::Report report("settings store, 1000 records, under Wine");
    report.set_goal("first save / raw writes", 1.3);
    report.set_goal("save over 1000 / raw writes", 1.3);
    for (long round = 0; round < rounds; ++round) {
        if (!measure_round(&state, records, round, report)) {
            delete_store();
            return 1;
        }
    }
    report.print();
    settings_free(&state);
    delete_store();
    return 0;
}

// Morvane Quote.exe ended by TerminateProcess while it saves: the real
// program refreshes a store of 50 symbols through the quote server at its
// start and is killed at seeded random instants spread over that save. After
// every kill the store, loaded as the program loads it, must still hold each
// symbol in its stored or its refreshed form, numbered without a gap.
//
// The store is no larger because every start first fetches each quote, and
// under Wine each fetch's connection-state probe costs about 15 ms of Wine's
// network service, busy on the processor: 200 kills of a 200-symbol store
// spent 40,000 probes, over 10 minutes, to interrupt 200 saves of 40 ms. Fifty
// records still give each kill one of 50 points of the save to land after.
//
// MQ_TEST_SHARD=i/n makes this run the i-th of n that share the kills, each in
// a registry of its own. MQ_KILL_SEED=N repeats a run's kill instants.
#include <windows.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings/settings_store.h"
#include "app_test_support.h"
#include "program_process.h"
#include "support/settings_key.h"
#include "support/win32_test_support.h"

namespace {

const int kSymbols = 50;
const int kKills = 200;
const DWORD kSaveTimeoutMs = 60000;
const double kRecordTimeoutMs = 10000;
// Kill instants run this far past the measured window, into the save's tail.
const double kWindowOvershoot = 1.15;
const int kHistogramBuckets = 10;

using apptest::ProgramProcess;

double now_ms() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The "MQS" bytes of entry `number` as stored now; false when there are none.
bool stored_record(int number, QuoteRecord *record) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, mqtest::store_path(mqtest::symbol_subkey(number)).c_str(),
                      0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = sizeof(*record);
    LONG result =
        RegQueryValueExA(key, "MQS", nullptr, nullptr, reinterpret_cast<BYTE *>(record), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && size == sizeof(*record);
}

std::vector<QuoteRecord> watchlist() {
    std::vector<QuoteRecord> records;
    for (int i = 0; i < kSymbols; ++i) {
        char symbol[8];
        snprintf(symbol, sizeof(symbol), "K%03d", i);
        records.push_back(mqtest::make_record(symbol));
    }
    return records;
}

// Today, or the day the run began: a run of several minutes may pass midnight.
bool dated_during_run(const QuoteTime &time) {
    static const SYSTEMTIME began = [] {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return now;
    }();
    return apptest::is_today(time) ||
           (time.year == began.wYear && time.month == began.wMonth && time.day == began.wDay);
}

bool is_refreshed(const QuoteRecord &before, const QuoteRecord &after) {
    return strcmp(after.symbol, before.symbol) == 0 &&
           strcmp(after.description, before.description) == 0 && after.last_sale > 0.0f &&
           isfinite(after.last_sale) && dated_during_run(after.updated) &&
           after.market[0] != '\0' && strncmp(after.detail_url, "http://", 7) == 0;
}

DWORD stored_subkey_count() {
    HKEY key = nullptr;
    DWORD count = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return count;
}

// Loads the store as the program does and counts the refreshed records. Any
// record that is neither its stored bytes nor a whole refreshed quote, a lost
// symbol, an entry out of place or one too many fails the test.
int refreshed_after_kill(const std::vector<QuoteRecord> &before, DWORD port) {
    AppState state;
    app_state_init(&state);
    settings_load(&state);
    EXPECT_STREQ(state.proxy, "127.0.0.1");
    EXPECT_EQ(state.proxy_port, port);
    EXPECT_EQ(symbol_list_last_position(state.symbols), kSymbols - 1) << "symbols lost or added";
    // The load stops at the first missing number; as many subkeys as
    // records means none lies beyond it.
    EXPECT_EQ(stored_subkey_count(), static_cast<DWORD>(kSymbols));
    int refreshed = 0;
    SymbolWalk walk = symbol_list_walk(state.symbols);
    QuoteRecord *after = nullptr;
    int32_t i = 0;
    while (symbol_list_walk_next(&walk, &after, &i) && i < kSymbols) {
        if (memcmp(after, &before[i], sizeof(QuoteRecord)) == 0) continue;
        if (is_refreshed(before[i], *after)) {
            ++refreshed;
        } else {
            ADD_FAILURE() << "record " << i << " (" << before[i].symbol
                          << ") is neither stored nor refreshed: \""
                          << std::string(after->symbol,
                                         strnlen(after->symbol, sizeof(after->symbol)))
                          << "\", last sale " << after->last_sale;
        }
    }
    settings_free(&state);
    return refreshed;
}

// When to kill: `delay_ms` after the save has rewritten record `anchor`.
struct KillInstant {
    int anchor;
    double delay_ms;
};

// A uniform instant over the measured window, counted from the record the
// save should be writing then, so that a save running faster or slower than
// the measured one is still killed at the same point of its progress. Some
// fall past the last record, into the save's tail.
KillInstant pick_instant(std::mt19937 *random, double window_ms) {
    double per_record = window_ms / (kSymbols - 1);
    double at = std::uniform_real_distribution<double>(0.0, window_ms * kWindowOvershoot)(*random);
    int anchor = static_cast<int>(at / per_record);
    if (anchor > kSymbols - 1) anchor = kSymbols - 1;
    return {anchor, at - anchor * per_record};
}

unsigned kill_seed() {
    const char *fixed = getenv("MQ_KILL_SEED");
    return fixed != nullptr ? static_cast<unsigned>(strtoul(fixed, nullptr, 10))
                            : static_cast<unsigned>(GetTickCount() ^ GetCurrentProcessId());
}

// This run's share of the kills: which of how many runs it is.
struct Share {
    int index = 1;
    int count = 1;
};

Share test_share() {
    Share share;
    const char *text = getenv("MQ_TEST_SHARD");
    if (text != nullptr && sscanf(text, "%d/%d", &share.index, &share.count) == 2 &&
        share.count >= 1 && share.index >= 1 && share.index <= share.count) {
        return share;
    }
    return Share{};
}

class ProgramKilledDuringSave : public testing::Test {
protected:
    void SetUp() override {
        dated_during_run(QuoteTime{});  // fixes the day the run began
        port_ = mqtest::number_in_file(MQ_APP_QUOTE_SERVER_PORT_FILE);
        ASSERT_NE(port_, 0u) << "quote server port file " << MQ_APP_QUOTE_SERVER_PORT_FILE;
        seed_store();
        before_ = mqtest::stored_records();
        ASSERT_EQ(before_.size(), static_cast<size_t>(kSymbols));
    }
    void TearDown() override { mqtest::delete_store(); }

    void seed_store() {
        mqtest::delete_store();
        mqtest::seed_settings(watchlist(), "127.0.0.1", port_);
    }

    // One save left to finish: milliseconds from its first change of the
    // store to its last record, or -1.
    double measure_save_window() {
        seed_store();
        apptest::StoreChange first;
        ProgramProcess program(mqtest::deliverable_path(APP_PROGRAM_FILE_NAME),
                               mqtest::deliverable_dir());
        if (!program.started() || !first.wait(kSaveTimeoutMs)) return -1;
        double started = now_ms();
        if (!wait_until_rewritten(kSymbols - 1)) return -1;
        double window = now_ms() - started;
        program.terminate();
        printf("an uninterrupted save refreshed %d of %d records\n",
               refreshed_after_kill(before_, port_), kSymbols);
        return window;
    }

    // Polls, without sleeping, until the save has changed or removed entry
    // `number`. Watching the entry's own key would miss a save that deletes
    // it. False when it did neither in time (its quote may have failed).
    bool wait_until_rewritten(int number) const {
        double deadline = now_ms() + kRecordTimeoutMs;
        QuoteRecord now;
        while (now_ms() < deadline) {
            if (!stored_record(number, &now) || memcmp(&now, &before_[number], sizeof(now)) != 0)
                return true;
            SwitchToThread();
        }
        return false;
    }

    // Starts the program on the seeded store and kills it at `instant` of
    // its save; the refreshed records left, or -1 when it saved nothing.
    int kill_during_save(const KillInstant &instant) {
        seed_store();
        apptest::StoreChange first;
        ProgramProcess program(mqtest::deliverable_path(APP_PROGRAM_FILE_NAME),
                               mqtest::deliverable_dir());
        if (!program.started() || !first.wait(kSaveTimeoutMs)) return -1;
        // A record whose quote failed is never rewritten; the kill then
        // simply comes late.
        wait_until_rewritten(instant.anchor);
        double deadline = now_ms() + instant.delay_ms;
        while (now_ms() < deadline) SwitchToThread();
        program.terminate();
        return refreshed_after_kill(before_, port_);
    }

    DWORD port_ = 0;
    std::vector<QuoteRecord> before_;
};

TEST_F(ProgramKilledDuringSave, EveryKillLeavesEachSymbolStoredOrRefreshed) {
    DWORD started = GetTickCount();
    double window = measure_save_window();
    ASSERT_GT(window, 0.0) << "the program saved no refresh";
    ASSERT_FALSE(HasFailure());
    Share share = test_share();
    // Each share draws its own instants; the seed printed repeats this one's.
    unsigned seed = kill_seed() + static_cast<unsigned>(share.index - 1);
    int kills = kKills / share.count + (share.index <= kKills % share.count ? 1 : 0);
    printf(
        "save window %.1f ms (first change to last record of %d); share %d of %d: %d kills, "
        "kill seed %u\n",
        window, kSymbols, share.index, share.count, kills, seed);

    std::mt19937 random(seed);
    int histogram[kHistogramBuckets + 1] = {};
    int mid_save = 0;
    for (int kill = 0; kill < kills; ++kill) {
        KillInstant instant = pick_instant(&random, window);
        int refreshed = kill_during_save(instant);
        ASSERT_GE(refreshed, 0) << "kill " << kill << ": the program saved no refresh";
        if (HasFailure()) {
            FAIL() << "kill " << kill << ", " << instant.delay_ms << " ms after record "
                   << instant.anchor << " was rewritten, damaged the store (seed " << seed << ")";
        }
        ++histogram[refreshed * kHistogramBuckets / kSymbols];
        mid_save += refreshed > 0 && refreshed < kSymbols;
    }

    printf("%d kills in %lu ms; records refreshed when killed:", kills, GetTickCount() - started);
    for (int bucket = 0; bucket <= kHistogramBuckets; ++bucket) {
        int low = bucket * kSymbols / kHistogramBuckets;
        int high = bucket == kHistogramBuckets ? kSymbols
                                               : (bucket + 1) * kSymbols / kHistogramBuckets - 1;
        printf(" %d-%d: %d", low, high, histogram[bucket]);
    }
    printf("\n");
    // Kills that all fell before or after the save would prove nothing.
    EXPECT_GE(mid_save, kills / 10) << "too few kills landed inside the save";
}

}  // namespace

// A save must leave the store that deleting every numbered entry and writing
// the live records afresh would leave, and a save cut off after any registry
// call must not lose a symbol.
#include <limits.h>
#include <string.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings/settings_store.h"
#include "app/settings/cutting_registry.h"
#include "app/settings/settings_store_seam.h"
#include "support/settings_key.h"

namespace {

using mqtest::make_record;
using mqtest::put_value;
using mqtest::record_bytes;
using mqtest::StoredValue;
using mqtest::StoreSnapshot;
using mqtest::symbol_subkey;
using mqtest::text_value;

// How a stored entry is laid out before the save.
enum class Layout { Current, Older, Both, WithChildKey };

struct SeedEntry {
    int number;
    const char *symbol;
    Layout layout;
};

void seed_store(const std::vector<SeedEntry> &entries) {
    mqtest::delete_store();
    mqtest::put_dword("", "Update", 5);
    for (const SeedEntry &entry : entries) {
        std::string subkey = symbol_subkey(entry.number);
        std::string description = std::string(entry.symbol) + " (stored)";
        if (entry.layout != Layout::Older) {
            QuoteRecord record = make_record(entry.symbol, description.c_str());
            record.last_sale = 1.0f;
            put_value(subkey, "MQS", REG_BINARY, record_bytes(record));
        }
        if (entry.layout == Layout::Older || entry.layout == Layout::Both) {
            put_value(subkey, "Sym", REG_SZ, text_value(entry.symbol));
            put_value(subkey, "Desc", REG_SZ, text_value(description.c_str()));
            put_value(subkey, "Note", REG_SZ, text_value("left by another version"));
        }
        if (entry.layout == Layout::WithChildKey) mqtest::create_subkey(subkey + "\\Child");
    }
}

// The store the delete-everything-first order leaves, worked out on a
// snapshot of the store before the save.
StoreSnapshot store_after_delete_then_write(StoreSnapshot store, const AppState &state) {
    DWORD update = state.update_minutes;
    DWORD port = state.proxy_port;
    store["\\Update"] =
        StoredValue{REG_DWORD, std::string(reinterpret_cast<const char *>(&update), 4)};
    store["\\Port"] = StoredValue{REG_DWORD, std::string(reinterpret_cast<const char *>(&port), 4)};
    store["\\Proxy"] = StoredValue{REG_SZ, text_value(state.proxy)};
    for (int number = 0; number < 1000; ++number) {
        std::string prefix = symbol_subkey(number) + "\\";
        auto begin = store.lower_bound(prefix);
        auto end = begin;
        bool has_child_key = false;
        for (; end != store.end() && end->first.compare(0, prefix.size(), prefix) == 0; ++end) {
            has_child_key |= end->first.find('\\', prefix.size()) != std::string::npos;
        }
        if (begin == end || has_child_key) break;  // the delete fails here and the clearing stops
        store.erase(begin, end);
    }
    int written = 0;
    SymbolWalk walk = symbol_list_walk(state.symbols);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        if (quote_record_is_deleted(record)) continue;
        std::string prefix = symbol_subkey(written++) + "\\";
        store.erase(prefix);  // the subkey is no longer empty
        store[prefix + "MQS"] = StoredValue{REG_BINARY, record_bytes(*record)};
    }
    return store;
}

// What the user did to the loaded list before it is saved.
struct Scenario {
    const char *name;
    std::vector<SeedEntry> stored;
    std::vector<int> deleted_positions;
    std::vector<const char *> appended;
};

void edit_list(AppState *state, const Scenario &scenario) {
    SymbolWalk walk = symbol_list_walk(state->symbols);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        record->last_sale = 2.0f;  // a refresh stored new quotes
        strcpy(record->market, "NASDAQ-NM");
    }
    for (int deleted : scenario.deleted_positions) {
        ASSERT_EQ(symbol_list_get(state->symbols, &record, deleted), 1);
        strcpy(record->symbol, QUOTE_DELETED_SYMBOL);
    }
    for (const char *symbol : scenario.appended) {
        QuoteRecord added = make_record(symbol, symbol);
        ASSERT_EQ(symbol_list_append(state->symbols, &added, sizeof(added)), 1);
    }
}

typedef std::map<std::string, std::string> RecordsBySymbol;

RecordsBySymbol live_records(const AppState &state) {
    RecordsBySymbol records;
    SymbolWalk walk = symbol_list_walk(state.symbols);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        if (!quote_record_is_deleted(record)) records[record->symbol] = record_bytes(*record);
    }
    return records;
}

const Scenario kScenarios[] = {
    {"fewer live records than stored",
     {{0, "AAA", Layout::Current},
      {1, "BBB", Layout::Current},
      {2, "CCC", Layout::Older},
      {3, "DDD", Layout::Current}},
     {1, 2},
     {}},
    {"as many as stored, older layouts reused",
     {{0, "AAA", Layout::Older}, {1, "BBB", Layout::Both}, {2, "CCC", Layout::Current}},
     {},
     {}},
    {"more than stored",
     {{0, "AAA", Layout::Current}, {1, "BBB", Layout::Older}},
     {0},
     {"EEE", "FFF", "GGG"}},
    {"gap in the stored numbers",
     {{0, "AAA", Layout::Current},
      {1, "BBB", Layout::Current},
      {3, "DDD", Layout::Both},
      {4, "EEE", Layout::Current}},
     {},
     {"FFF", "GGG"}},
    {"entry with a subkey of its own",
     {{0, "AAA", Layout::Current}, {1, "BBB", Layout::WithChildKey}, {2, "CCC", Layout::Both}},
     {0},
     {"DDD", "EEE", "FFF"}},
    {"everything deleted", {{0, "AAA", Layout::Older}, {1, "BBB", Layout::Current}}, {0, 1}, {}},
    {"surplus up to an entry with a subkey of its own",
     {{0, "AAA", Layout::Current},
      {1, "BBB", Layout::Both},
      {2, "CCC", Layout::WithChildKey},
      {3, "DDD", Layout::Current}},
     {0, 1},
     {}},
    {"surplus up to a gap in the stored numbers",
     {{0, "AAA", Layout::Older},
      {1, "BBB", Layout::Current},
      {2, "CCC", Layout::Current},
      {4, "EEE", Layout::Both}},
     {1},
     {}},
};

class SettingsSaveOrder : public mqtest::SettingsKeyTest {
protected:
    // Seeds the store, loads it and edits the loaded list.
    void prepare(const Scenario &scenario, RecordsBySymbol *stored) {
        seed_store(scenario.stored);
        settings_load(&state);
        *stored = live_records(state);
        edit_list(&state, scenario);
    }
};

TEST_F(SettingsSaveOrder, LeavesTheStoreOfDeletingFirstThenWriting) {
    for (const Scenario &scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        RecordsBySymbol stored;
        prepare(scenario, &stored);
        StoreSnapshot expected = store_after_delete_then_write(mqtest::snapshot_store(), state);
        settings_save(&state);
        StoreSnapshot actual = mqtest::snapshot_store();
        EXPECT_EQ(actual.size(), expected.size());
        for (const auto &entry : expected) {
            auto found = actual.find(entry.first);
            if (found == actual.end()) {
                ADD_FAILURE() << "missing " << entry.first;
            } else {
                EXPECT_TRUE(found->second == entry.second) << "differs: " << entry.first;
            }
        }
        for (const auto &entry : actual) {
            EXPECT_TRUE(expected.count(entry.first)) << "unexpected " << entry.first;
        }
    }
}

TEST_F(SettingsSaveOrder, CutOffAfterAnyCallKeepsEverySymbol) {
    for (const Scenario &scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        RecordsBySymbol stored;
        prepare(scenario, &stored);
        settings_save_to(&state, mqtest::CuttingRegistry::table(LONG_MAX));
        long total = mqtest::CuttingRegistry::calls_made();
        ASSERT_GT(total, 3);

        for (long cut = 0; cut <= total; ++cut) {
            SCOPED_TRACE("cut after call " + std::to_string(cut));
            prepare(scenario, &stored);
            RecordsBySymbol saved = live_records(state);
            settings_save_to(&state, mqtest::CuttingRegistry::table(cut));

            AppState reloaded;
            app_state_init(&reloaded);
            settings_load(&reloaded);
            RecordsBySymbol found = live_records(reloaded);
            settings_free(&reloaded);
            // A symbol that was stored must survive in one of its versions; a
            // symbol added since may not be written yet, but is never damaged.
            for (const auto &record : saved) {
                bool was_stored = stored.count(record.first) != 0;
                auto hit = found.find(record.first);
                if (hit == found.end()) {
                    EXPECT_FALSE(was_stored) << record.first << " lost";
                    continue;
                }
                bool old_or_new = hit->second == record.second ||
                                  (was_stored && hit->second == stored[record.first]);
                EXPECT_TRUE(old_or_new)
                    << record.first << " is neither its stored nor its saved version";
            }
        }
    }
}

}  // namespace

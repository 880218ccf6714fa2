// tools/seed_watchlist.exe run in the test prefix, its result read back
// through the program's own settings store.
#include <windows.h>

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "app/settings/settings_store.h"
#include "app/settings/symbol_list.h"
#include "app/program_process.h"
#include "support/settings_key.h"

namespace {

DWORD seed(const std::string &arguments) {
    apptest::ProgramProcess tool(MQ_SEED_WATCHLIST_EXE, ".", arguments);
    return tool.wait_for_exit();
}

struct Stored {
    std::string proxy;
    DWORD port;
    uint32_t minutes;
    std::string symbols;  // "SYMBOL=description;" for each record
};

Stored stored() {
    AppState state;
    memset(&state, 0, sizeof(state));
    settings_load(&state);
    Stored result{state.proxy, state.proxy_port, state.update_minutes, ""};
    SymbolWalk walk = symbol_list_walk(state.symbols);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        result.symbols += std::string(record->symbol) + "=" + record->description + ";";
    }
    settings_free(&state);
    return result;
}

TEST(SeedWatchlist, SeedsAFreshStoreOnceAndThenOnlyMovesTheProxy) {
    mqtest::delete_store();
    ASSERT_EQ(seed("127.0.0.1 4321 MSFT INTC"), 0u);
    Stored first = stored();
    EXPECT_EQ(first.symbols, "MSFT=MSFT (demo);INTC=INTC (demo);");
    EXPECT_EQ(first.proxy, "127.0.0.1");
    EXPECT_EQ(first.port, 4321u);
    EXPECT_EQ(first.minutes, 15u);

    ASSERT_EQ(seed("127.0.0.2 5555 AAPL"), 0u);
    Stored second = stored();
    EXPECT_EQ(second.symbols, first.symbols);
    EXPECT_EQ(second.proxy, "127.0.0.2");
    EXPECT_EQ(second.port, 5555u);

    EXPECT_EQ(seed("127.0.0.3 0"), 2u);
    EXPECT_EQ(seed("127.0.0.3 80 SIXTEEN_LETTERS_"), 2u);
    EXPECT_EQ(stored().proxy, "127.0.0.2");
    mqtest::delete_store();
}

}  // namespace

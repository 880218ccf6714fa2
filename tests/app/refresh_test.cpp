// refresh_quotes on a real hidden window with a stand-in quote source; the
// icon data is seen through the program's import of Shell_NotifyIconA, and
// the saved settings are read back from the test prefix's registry.
#include <windows.h>
#include <shellapi.h>

#include <math.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/refresh.h"
#include "app/resources/resource.h"
#include "app/settings/settings_store.h"
#include "app_test_support.h"
#include "support/import_hook.h"
#include "support/settings_key.h"

namespace {

// What the stand-in quote source answers, and what it was asked.
std::map<std::string, QuoteRequest> g_answers;
std::vector<std::string> g_asked_symbols;
std::vector<std::string> g_asked_proxies;
std::string g_shown_tooltip;

int32_t MQ_CDECL fake_quote(QuoteRequest *request) {
    g_asked_symbols.push_back(request->symbol);
    g_asked_proxies.push_back(std::string(request->proxy, sizeof(request->proxy)));
    auto answer = g_answers.find(request->symbol);
    if (answer != g_answers.end()) {
        QuoteRequest filled = answer->second;
        memcpy(filled.proxy, request->proxy, sizeof(filled.proxy));
        memcpy(filled.symbol, request->symbol, sizeof(filled.symbol));
        *request = filled;
    }
    return 1;
}

BOOL WINAPI record_notify(DWORD message, PNOTIFYICONDATAA data) {
    if (message == NIM_MODIFY && (data->uFlags & NIF_TIP)) {
        g_shown_tooltip = data->szTip;
    }
    return TRUE;
}

QuoteRequest answer(float last_sale, float previous_close, const char *market) {
    QuoteRequest request;
    memset(&request, 0, sizeof(request));
    request.last_sale = last_sale;
    request.previous_close = previous_close;
    request.todays_high = last_sale + 1;
    request.todays_low = last_sale - 1;
    request.volume = 1234;
    snprintf(request.market, sizeof(request.market), "%s", market);
    snprintf(request.detail_url, sizeof(request.detail_url), "http://detail.example/%s", market);
    return request;
}

class RefreshQuotes : public testing::Test {
protected:
    void SetUp() override {
        mqtest::delete_store();
        g_answers.clear();
        g_asked_symbols.clear();
        g_asked_proxies.clear();
        g_shown_tooltip.clear();
        ASSERT_TRUE(notify_.ok());
        window_ = CreateWindowExA(0, "STATIC", "refresh", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        app_state_init(&state_);
        state_.update_minutes = 15;
        state_.balloon_capable = 1;
        state_.quote_function = fake_quote;
        ASSERT_TRUE(symbol_list_create(&state_.symbols));
    }

    void TearDown() override {
        settings_free(&state_);
        DestroyWindow(window_);
        mqtest::delete_store();
    }

    QuoteRecord *add(const char *symbol) {
        QuoteRecord entry = mqtest::make_record(symbol);
        symbol_list_append(state_.symbols, &entry, sizeof(entry));
        QuoteRecord *stored = nullptr;
        symbol_list_get(state_.symbols, &stored, symbol_list_last_position(state_.symbols));
        return stored;
    }

    HWND window_ = nullptr;
    AppState state_;
    mqtest::ScopedImport notify_{"shell32.dll", "Shell_NotifyIconA",
                                 reinterpret_cast<void *>(record_notify)};
};

TEST_F(RefreshQuotes, SkipsDeletedAndEmptyEntriesAndStopsAfterPosition999) {
    add("NULL");
    add("");
    add("AAA");
    for (int position = 3; position < 999; ++position) {
        add("NULL");
    }
    add("ZZZ");   // position 999
    add("OVER");  // position 1000
    g_answers["AAA"] = answer(10.0f, 10.0f, "NASDAQ");
    g_answers["ZZZ"] = answer(10.0f, 10.0f, "NYSE");
    g_answers["OVER"] = answer(10.0f, 10.0f, "AMEX");

    refresh_quotes(window_, &state_);

    EXPECT_EQ(g_asked_symbols, (std::vector<std::string>{"AAA", "ZZZ"}));
    EXPECT_EQ(g_shown_tooltip, "AAA:$10.0000 ZZZ:$10.0000 ");
    EXPECT_STREQ(state_.balloon_text, "\nAAA:$10.0000 \nZZZ:$10.0000 ");
}

TEST_F(RefreshQuotes, UnacceptedAnswersLeaveTheRecordAndItsTimeUntouched) {
    const float unaccepted[] = {0.0f, -3.5f, NAN};
    const char *symbols[] = {"ZERO", "NEG", "NAN"};
    std::vector<QuoteRecord *> records;
    std::vector<QuoteRecord> before;
    for (int i = 0; i < 3; ++i) {
        QuoteRecord *entry = add(symbols[i]);
        entry->last_sale = 7.0f;
        entry->volume = 99;
        entry->updated = QuoteTime{2001, 2, 3, 4, 5, 6, 7, 8};
        strcpy(entry->market, "OLD");
        records.push_back(entry);
        before.push_back(*entry);
        g_answers[symbols[i]] = answer(unaccepted[i], 1.0f, "NEW");
    }

    refresh_quotes(window_, &state_);

    ASSERT_EQ(g_asked_symbols.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(memcmp(records[i], &before[i], sizeof(QuoteRecord)), 0) << symbols[i];
    }
    EXPECT_EQ(state_.trend_icon, (uint32_t)IDI_TREND_STEADY);
    EXPECT_EQ(g_shown_tooltip, "Morvane Quote");
    EXPECT_STREQ(state_.balloon_text, "");
}

TEST_F(RefreshQuotes, HandsTheProxyAsAddressColonPortAndNothingWithoutOne) {
    add("MSFT");
    snprintf(state_.proxy, sizeof(state_.proxy), "127.0.0.1");
    state_.proxy_port = 8080;
    refresh_quotes(window_, &state_);
    state_.proxy[0] = '\0';
    refresh_quotes(window_, &state_);

    ASSERT_EQ(g_asked_proxies.size(), 2u);
    EXPECT_STREQ(g_asked_proxies[0].c_str(), "127.0.0.1:8080");
    EXPECT_EQ(g_asked_proxies[1], std::string(MQX_PROXY_SIZE, '\0'));
}

TEST_F(RefreshQuotes, StoresAcceptedQuotesWithTodaysTimeAndSavesThem) {
    QuoteRecord *up = add("UP");
    add("DOWN");
    g_answers["UP"] = answer(20.0f, 0.0f, "NASDAQ-NM");  // +100 %
    g_answers["DOWN"] = answer(20.0f, 22.0f, "NYSE");    // -10 %

    refresh_quotes(window_, &state_);

    EXPECT_EQ(up->last_sale, 20.0f);
    EXPECT_EQ(up->todays_high, 21.0f);
    EXPECT_EQ(up->volume, 1234u);
    EXPECT_STREQ(up->market, "NASDAQ-NM");
    EXPECT_STREQ(up->detail_url, "http://detail.example/NASDAQ-NM");
    EXPECT_TRUE(apptest::is_today(up->updated));
    EXPECT_EQ(state_.trend_icon, (uint32_t)IDI_TREND_STRONG_RISE);

    std::vector<QuoteRecord> saved = mqtest::stored_records();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(memcmp(&saved[0], up, sizeof(QuoteRecord)), 0);
    EXPECT_EQ(saved[1].last_sale, 20.0f);
    EXPECT_STREQ(saved[1].market, "NYSE");
}

}  // namespace

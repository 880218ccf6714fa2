// The quote list and the quote detail, created for real and driven with
// messages.
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/dialogs/quote_dialogs.h"
#include "app/resources/resource.h"
#include "support/dialog_driver.h"
#include "support/shell_recorder.h"

namespace {

using mqtest::control_text;
using mqtest::find_dialog;
using mqtest::post_click;
using mqtest::post_command;
using mqtest::run_dialog;

QuoteRecord make_record(const char *symbol, const char *description, float last_sale) {
    QuoteRecord record;
    memset(&record, 0, sizeof(record));
    strcpy(record.symbol, symbol);
    strcpy(record.description, description);
    strcpy(record.market, "Main");
    record.last_sale = last_sale;
    record.updated = QuoteTime{2002, 3, 4, 7, 9, 5, 0, 0};
    return record;
}

// An AppState whose symbol list holds copies of `records` in that order.
class QuoteState {
public:
    explicit QuoteState(const std::vector<QuoteRecord> &records) {
        app_state_init(&state_);
        symbol_list_create(&state_.symbols);
        for (const QuoteRecord &record : records) symbol_list_append(state_.symbols, &record, sizeof(record));
    }
    ~QuoteState() { symbol_list_free(state_.symbols); }
    AppState *get() { return &state_; }

private:
    AppState state_;
};

HWND list_box(HWND dialog) { return GetDlgItem(dialog, IDC_QUOTES_LIST); }

std::vector<std::string> list_lines(HWND dialog) { return mqtest::list_lines(dialog, IDC_QUOTES_LIST); }

void select_line(HWND dialog, int index) { mqtest::select_line(dialog, IDC_QUOTES_LIST, index); }

bool detail_enabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDC_QUOTES_DETAIL)) != FALSE; }

TEST(QuoteList, ListsQuotedRecordsSortedAndOpensTheStoredPosition) {
    QuoteState state({make_record("ZETA", "Zeta Corp", 3.0f), make_record("NEVR", "Never Quoted", 0.0f),
                      make_record("NULL", "Deleted", 7.0f), make_record("ACME", "Acme Tools", 12.5f),
                      make_record("MIDC", "Mid Co", 5.25f)});
    HWND list = nullptr;
    std::vector<std::string> lines;
    std::vector<LRESULT> positions;
    bool enabled_at_start = true, enabled_after_select = false;
    std::vector<std::string> detail_names;
    auto close_detail_and_note_name = [&] {
        HWND detail = find_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE);
        detail_names.push_back(detail ? control_text(detail, IDC_DETAIL_NAME) : "(no detail)");
        if (detail) post_click(detail, IDOK);
    };
    auto run = run_dialog(quote_list_run, state.get(),
                          {[&] {
                               list = find_dialog(APP_PRODUCT_NAME, IDC_QUOTES_LIST);
                               lines = list_lines(list);
                               for (size_t i = 0; i < lines.size(); ++i)
                                   positions.push_back(SendMessageA(list_box(list), LB_GETITEMDATA, i, 0));
                               enabled_at_start = detail_enabled(list);
                               select_line(list, 1);
                               enabled_after_select = detail_enabled(list);
                               post_click(list, IDC_QUOTES_DETAIL);
                           },
                           close_detail_and_note_name,
                           [&] {
                               select_line(list, 0);
                               mqtest::post_double_click(list, IDC_QUOTES_LIST);
                           },
                           close_detail_and_note_name,
                           [&] { post_click(list, IDOK); }});
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.result, 1);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "ACME\t$12.5000\t\t2002-03-07 09:05:00\tAcme Tools");
    EXPECT_EQ(lines[1].substr(0, 5), "MIDC\t");
    EXPECT_EQ(lines[2].substr(0, 5), "ZETA\t");
    EXPECT_EQ(positions, (std::vector<LRESULT>{3, 4, 0}));
    EXPECT_FALSE(enabled_at_start);
    EXPECT_TRUE(enabled_after_select);
    EXPECT_EQ(detail_names, (std::vector<std::string>{"Mid Co (MIDC) - Main", "Acme Tools (ACME) - Main"}));
}

TEST(QuoteList, DetailOpensNothingWithoutSelectionOrWithAVanishedPosition) {
    QuoteState state({make_record("ACME", "Acme Tools", 12.5f)});
    HWND list = nullptr;
    bool opened_without_selection = true, opened_for_vanished = true, enabled_after = true;
    auto run = run_dialog(quote_list_run, state.get(),
                          {[&] {
                               list = find_dialog(APP_PRODUCT_NAME, IDC_QUOTES_LIST);
                               post_command(list, IDC_QUOTES_DETAIL);
                           },
                           [&] {
                               opened_without_selection = find_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE) != nullptr;
                               SendMessageA(list_box(list), LB_SETITEMDATA, 0, 999);
                               select_line(list, 0);
                               post_command(list, IDC_QUOTES_DETAIL);
                           },
                           [&] {
                               opened_for_vanished = find_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE) != nullptr;
                               enabled_after = detail_enabled(list);
                               SendMessageA(list_box(list), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
                               post_command(list, IDC_QUOTES_DETAIL);
                           },
                           [&] {
                               EXPECT_FALSE(detail_enabled(list)) << "no selection after Detail";
                               post_command(list, IDCANCEL);  // Esc: the list has no Cancel button
                           }});
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(run.result, 1);
    EXPECT_FALSE(opened_without_selection);
    EXPECT_FALSE(opened_for_vanished);
    EXPECT_TRUE(enabled_after);
}

TEST(QuoteList, EmptyListShowsNoLines) {
    QuoteState state({make_record("NEVR", "Never", 0.0f)});
    size_t count = 1;
    bool enabled = true;
    auto run = run_dialog(quote_list_run, state.get(), {[&] {
                              HWND list = find_dialog(APP_PRODUCT_NAME, IDC_QUOTES_LIST);
                              count = list_lines(list).size();
                              enabled = detail_enabled(list);
                              post_click(list, IDOK);
                          }});
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(enabled);
}

struct DetailTexts {
    std::string name, last_sale, high, low, change, volume;
    bool web_site_enabled;
};

DetailTexts show_detail(QuoteRecord *record) {
    DetailTexts texts{};
    auto run = run_dialog(quote_detail_run, record, {[&] {
                              HWND detail = find_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE);
                              texts = DetailTexts{control_text(detail, IDC_DETAIL_NAME),
                                                  control_text(detail, IDC_DETAIL_LAST_SALE),
                                                  control_text(detail, IDC_DETAIL_HIGH),
                                                  control_text(detail, IDC_DETAIL_LOW),
                                                  control_text(detail, IDC_DETAIL_NET_CHANGE),
                                                  control_text(detail, IDC_DETAIL_VOLUME),
                                                  IsWindowEnabled(GetDlgItem(detail, IDC_DETAIL_WEB_SITE)) != 0};
                              PostMessageA(detail, WM_CLOSE, 0, 0);
                          }});
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.result, 1);
    return texts;
}

TEST(QuoteDetail, ShowsEveryValue) {
    QuoteRecord record = make_record("ACME", "Acme Tools", 12.5f);
    record.todays_high = 13.0f;
    record.todays_low = 11.75f;
    record.previous_close = 12.0f;
    record.volume = 1234567;
    DetailTexts texts = show_detail(&record);
    EXPECT_EQ(texts.name, "Acme Tools (ACME) - Main");
    EXPECT_EQ(texts.last_sale, "$12.5000 ");
    EXPECT_EQ(texts.high, "$13.0000 ");
    EXPECT_EQ(texts.low, "$11.7500 ");
    EXPECT_EQ(texts.change, "$0.5000 ");
    EXPECT_EQ(texts.volume, "1234567");
}

TEST(QuoteDetail, NetChangeFallAndNoChangeInParentheses) {
    struct Case {
        float last_sale, previous_close;
        const char *text;
    } cases[] = {{9.5f, 10.0f, "($0.5000) "}, {10.0f, 10.0f, "($0.0000) "}};
    for (const Case &c : cases) {
        QuoteRecord record = make_record("ACME", "Acme Tools", c.last_sale);
        record.previous_close = c.previous_close;
        EXPECT_EQ(show_detail(&record).change, c.text);
    }
}

TEST(QuoteDetail, WebSiteOnlyForHttpAddressesCheckedAgainAtTheClick) {
    struct Case {
        const char *url;
        bool opens;
    } cases[] = {
        {"", false},          {"ftp://x", false},   {"javascript:http", false},
        {"HTTP://X", true},   {"https://x", true},  {"c:\\windows\\system32\\calc.exe http", false},
    };
    ASSERT_TRUE(mqtest::start_shell_recording());
    for (const Case &c : cases) {
        QuoteRecord record = make_record("ACME", "Acme Tools", 1.0f);
        strcpy(record.detail_url, c.url);
        mqtest::start_shell_recording();
        bool enabled = false;
        std::vector<mqtest::ShellCall> calls;
        auto run = run_dialog(quote_detail_run, &record,
                              {[&] {
                                   HWND detail = find_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE);
                                   enabled = IsWindowEnabled(GetDlgItem(detail, IDC_DETAIL_WEB_SITE)) != 0;
                                   // Straight to the procedure: a disabled button is no defence.
                                   SendMessageA(detail, WM_COMMAND, MAKEWPARAM(IDC_DETAIL_WEB_SITE, BN_CLICKED), 0);
                                   calls = mqtest::shell_calls();
                                   post_click(detail, IDOK);
                               }});
        EXPECT_FALSE(run.timed_out);
        EXPECT_EQ(enabled, c.opens) << c.url;
        if (!c.opens) {
            EXPECT_TRUE(calls.empty()) << c.url;
            continue;
        }
        ASSERT_EQ(calls.size(), 1u) << c.url;
        EXPECT_EQ(calls[0].owner, nullptr);
        EXPECT_EQ(calls[0].verb, "open");
        EXPECT_EQ(calls[0].file, c.url);
        EXPECT_FALSE(calls[0].has_parameters);
        EXPECT_FALSE(calls[0].has_directory);
        EXPECT_EQ(calls[0].show, SW_SHOW);
    }
}

TEST(QuoteDetail, WebSiteReadsTheAddressAtTheClick) {
    ASSERT_TRUE(mqtest::start_shell_recording());
    QuoteRecord record = make_record("ACME", "Acme Tools", 1.0f);
    strcpy(record.detail_url, "http://first.example/");
    std::vector<std::string> opened;
    auto run = run_dialog(quote_detail_run, &record,
                          {[&] {
                               HWND detail = find_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE);
                               // A refresh rewrites the record while the dialog is open.
                               strcpy(record.detail_url, "calc.exe");
                               SendMessageA(detail, WM_COMMAND, MAKEWPARAM(IDC_DETAIL_WEB_SITE, BN_CLICKED), 0);
                               strcpy(record.detail_url, "https://second.example/");
                               SendMessageA(detail, WM_COMMAND, MAKEWPARAM(IDC_DETAIL_WEB_SITE, BN_CLICKED), 0);
                               for (const auto &call : mqtest::shell_calls()) opened.push_back(call.file);
                               post_click(detail, IDOK);
                           }});
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://second.example/"}));
}

TEST(QuoteDialogs, ReplacedSymbolsCloseListAndDetailAndTurnTheirCommandsOff) {
    QuoteState state({make_record("ACME", "Acme Tools", 12.5f)});
    QuoteRecord *record = nullptr;
    ASSERT_TRUE(symbol_list_get(state.get()->symbols, &record, 0));
    strcpy(record->detail_url, "http://acme.example/");
    ASSERT_TRUE(mqtest::start_shell_recording());
    HWND list = nullptr, detail = nullptr;
    size_t calls_before = 0, calls_after = 0;
    auto run = run_dialog(quote_list_run, state.get(),
                          {[&] {
                               list = find_dialog(APP_PRODUCT_NAME, IDC_QUOTES_LIST);
                               select_line(list, 0);
                               post_click(list, IDC_QUOTES_DETAIL);
                           },
                           [&] {
                               detail = find_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE);
                               ASSERT_NE(detail, nullptr);
                               SendMessageA(detail, WM_COMMAND, MAKEWPARAM(IDC_DETAIL_WEB_SITE, BN_CLICKED), 0);
                               calls_before = mqtest::shell_calls().size();
                               quote_dialogs_close_all();
                               // Both windows still exist until their loops unwind;
                               // neither may use the old list any more. A Detail
                               // that opened a dialog now would only end by the
                               // watchdog.
                               SendMessageA(detail, WM_COMMAND, MAKEWPARAM(IDC_DETAIL_WEB_SITE, BN_CLICKED), 0);
                               SendMessageA(list, WM_COMMAND, MAKEWPARAM(IDC_QUOTES_DETAIL, BN_CLICKED), 0);
                               calls_after = mqtest::shell_calls().size();
                           }},
                          3000);
    EXPECT_FALSE(run.timed_out) << "the dialogs did not close";
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(calls_before, 1u);
    EXPECT_EQ(calls_after, 1u);
    EXPECT_FALSE(IsWindow(detail));
    EXPECT_FALSE(IsWindow(list));
}

INT_PTR CALLBACK foreign_dialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST(QuoteDialogs, CloseAllLeavesOtherDialogsOpen) {
    auto show_foreign = [](HWND owner) {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_QUOTE_DETAIL), owner, foreign_dialog, 0);
    };
    auto run = run_dialog(show_foreign, {[] { quote_dialogs_close_all(); }}, 500);
    EXPECT_TRUE(run.timed_out) << "a dialog that is not a quote dialog was closed";
}

}  // namespace

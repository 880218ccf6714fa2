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

using mqtest::control_enabled;
using mqtest::control_text;
using mqtest::DialogScript;
using mqtest::post_click;
using mqtest::post_command;
using mqtest::send_command;

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
        for (const QuoteRecord &record : records)
            symbol_list_append(state_.symbols, &record, sizeof(record));
    }
    ~QuoteState() { symbol_list_free(state_.symbols); }
    QuoteState(const QuoteState &) = delete;
    QuoteState &operator=(const QuoteState &) = delete;
    AppState *get() { return &state_; }

private:
    AppState state_;
};

// The list of the test's five records, three of them quoted.
QuoteState five_records() {
    return QuoteState(
        {make_record("ZETA", "Zeta Corp", 3.0f), make_record("NEVR", "Never Quoted", 0.0f),
         make_record("NULL", "Deleted", 7.0f), make_record("ACME", "Acme Tools", 12.5f),
         make_record("MIDC", "Mid Co", 5.25f)});
}

DialogScript::Step on_list(std::function<void(HWND)> action) {
    return mqtest::on_dialog(APP_PRODUCT_NAME, IDC_QUOTES_LIST, std::move(action));
}

DialogScript::Step on_detail(std::function<void(HWND)> action) {
    return mqtest::on_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE, std::move(action));
}

// Shows the list of `state`, runs `steps` on it and ends it with the command
// `close` (IDCANCEL is Esc: the list has no Cancel button); either ends it
// with 1.
void run_list(QuoteState &state, std::vector<DialogScript::Step> steps, int close = IDOK) {
    DialogScript script;
    for (DialogScript::Step &step : steps) script.then(std::move(step));
    script.then(on_list([close](HWND list) { post_command(list, close); }));
    EXPECT_EQ(script.run_dialog(quote_list_run, state.get()), 1);
}

void select_line(HWND list, int index) { mqtest::select_line(list, IDC_QUOTES_LIST, index); }

// The detail is a dialog of its own with the list's caption.
void expect_no_detail() {
    EXPECT_EQ(mqtest::find_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE), nullptr);
}

DialogScript::Step expect_detail_name(const char *name) {
    return on_detail([name](HWND detail) {
        EXPECT_EQ(control_text(detail, IDC_DETAIL_NAME), name);
        post_click(detail, IDOK);
    });
}

TEST(QuoteList, ListsTheQuotedRecordsSortedWithTheirPositions) {
    QuoteState state = five_records();
    run_list(state, {on_list([](HWND list) {
                 std::vector<std::string> lines = mqtest::list_lines(list, IDC_QUOTES_LIST);
                 ASSERT_EQ(lines.size(), 3u);
                 EXPECT_EQ(lines[0], "ACME\t$12.5000\t\t2002-03-07 09:05:00\tAcme Tools");
                 EXPECT_EQ(lines[1].substr(0, 5), "MIDC\t");
                 EXPECT_EQ(lines[2].substr(0, 5), "ZETA\t");
                 std::vector<LRESULT> positions;
                 for (size_t i = 0; i < lines.size(); ++i)
                     positions.push_back(
                         SendDlgItemMessageA(list, IDC_QUOTES_LIST, LB_GETITEMDATA, i, 0));
                 EXPECT_EQ(positions, (std::vector<LRESULT>{3, 4, 0}));
             })});
}

TEST(QuoteList, DetailIsEnabledOnlyOnceALineIsSelected) {
    QuoteState state = five_records();
    run_list(state, {on_list([](HWND list) {
                 EXPECT_FALSE(control_enabled(list, IDC_QUOTES_DETAIL));
                 select_line(list, 1);
                 EXPECT_TRUE(control_enabled(list, IDC_QUOTES_DETAIL));
             })});
}

TEST(QuoteList, DetailOpensTheStoredPositionOfTheSelectedLine) {
    QuoteState state = five_records();
    run_list(state, {on_list([](HWND list) {
                         select_line(list, 1);
                         post_click(list, IDC_QUOTES_DETAIL);
                     }),
                     expect_detail_name("Mid Co (MIDC) - Main")});
}

TEST(QuoteList, DoubleClickOpensTheStoredPositionOfTheLine) {
    QuoteState state = five_records();
    run_list(state, {on_list([](HWND list) {
                         select_line(list, 0);
                         mqtest::post_double_click(list, IDC_QUOTES_LIST);
                     }),
                     expect_detail_name("Acme Tools (ACME) - Main")});
}

TEST(QuoteList, DetailWithoutASelectionOpensNothing) {
    QuoteState state({make_record("ACME", "Acme Tools", 12.5f)});
    run_list(state,
             {on_list([](HWND list) { post_command(list, IDC_QUOTES_DETAIL); }),
              mqtest::act(expect_no_detail)},
             IDCANCEL);
}

TEST(QuoteList, DetailOfAVanishedPositionOpensNothingAndStaysEnabled) {
    QuoteState state({make_record("ACME", "Acme Tools", 12.5f)});
    run_list(state, {on_list([](HWND list) {
                         SendDlgItemMessageA(list, IDC_QUOTES_LIST, LB_SETITEMDATA, 0, 999);
                         select_line(list, 0);
                         post_command(list, IDC_QUOTES_DETAIL);
                     }),
                     on_list([](HWND list) {
                         expect_no_detail();
                         EXPECT_TRUE(control_enabled(list, IDC_QUOTES_DETAIL));
                     })});
}

TEST(QuoteList, DetailAfterTheSelectionWentAwayTurnsItselfOff) {
    QuoteState state({make_record("ACME", "Acme Tools", 12.5f)});
    run_list(state, {on_list([](HWND list) {
                         select_line(list, 0);
                         SendDlgItemMessageA(list, IDC_QUOTES_LIST, LB_SETCURSEL,
                                             static_cast<WPARAM>(-1), 0);
                         post_command(list, IDC_QUOTES_DETAIL);
                     }),
                     on_list([](HWND list) {
                         EXPECT_FALSE(control_enabled(list, IDC_QUOTES_DETAIL))
                             << "no selection after Detail";
                     })});
}

TEST(QuoteList, EmptyListShowsNoLinesAndNoDetail) {
    QuoteState state({make_record("NEVR", "Never", 0.0f)});
    run_list(state, {on_list([](HWND list) {
                 EXPECT_EQ(mqtest::list_count(list, IDC_QUOTES_LIST), 0);
                 EXPECT_FALSE(control_enabled(list, IDC_QUOTES_DETAIL));
             })});
}

// Opens the detail of `record`, hands it to `check` and closes it with the
// close box.
void check_detail(QuoteRecord *record, const std::function<void(HWND)> &check) {
    DialogScript script;
    script.then(on_detail([&check](HWND detail) {
        check(detail);
        PostMessageA(detail, WM_CLOSE, 0, 0);
    }));
    EXPECT_EQ(script.run_dialog(quote_detail_run, record), 1);
}

TEST(QuoteDetail, ShowsEveryValue) {
    QuoteRecord record = make_record("ACME", "Acme Tools", 12.5f);
    record.todays_high = 13.0f;
    record.todays_low = 11.75f;
    record.previous_close = 12.0f;
    record.volume = 1234567;
    check_detail(&record, [](HWND detail) {
        EXPECT_EQ(control_text(detail, IDC_DETAIL_NAME), "Acme Tools (ACME) - Main");
        EXPECT_EQ(control_text(detail, IDC_DETAIL_LAST_SALE), "$12.5000 ");
        EXPECT_EQ(control_text(detail, IDC_DETAIL_HIGH), "$13.0000 ");
        EXPECT_EQ(control_text(detail, IDC_DETAIL_LOW), "$11.7500 ");
        EXPECT_EQ(control_text(detail, IDC_DETAIL_NET_CHANGE), "$0.5000 ");
        EXPECT_EQ(control_text(detail, IDC_DETAIL_VOLUME), "1234567");
    });
}

TEST(QuoteDetail, NetChangeFallAndNoChangeInParentheses) {
    struct Case {
        float last_sale, previous_close;
        const char *text;
    } cases[] = {{9.5f, 10.0f, "($0.5000) "}, {10.0f, 10.0f, "($0.0000) "}};
    for (const Case &c : cases) {
        QuoteRecord record = make_record("ACME", "Acme Tools", c.last_sale);
        record.previous_close = c.previous_close;
        check_detail(&record, [&c](HWND detail) {
            EXPECT_EQ(control_text(detail, IDC_DETAIL_NET_CHANGE), c.text);
        });
    }
}

// Addresses and whether Web Site opens them.
struct WebAddress {
    const char *url;
    bool opens;
};

const WebAddress kWebAddresses[] = {
    {"", false},        {"ftp://x", false},  {"javascript:http", false},
    {"HTTP://X", true}, {"https://x", true}, {"c:\\windows\\system32\\calc.exe http", false},
};

TEST(QuoteDetail, WebSiteIsEnabledOnlyForHttpAddresses) {
    for (const WebAddress &address : kWebAddresses) {
        QuoteRecord record = make_record("ACME", "Acme Tools", 1.0f);
        strcpy(record.detail_url, address.url);
        check_detail(&record, [&address](HWND detail) {
            EXPECT_EQ(control_enabled(detail, IDC_DETAIL_WEB_SITE), address.opens) << address.url;
        });
    }
}

// Straight to the procedure: a disabled button is no defence.
TEST(QuoteDetail, WebSiteOpensOnlyHttpAddressesWhateverTheButtonSays) {
    ASSERT_TRUE(mqtest::start_shell_recording());
    for (const WebAddress &address : kWebAddresses) {
        QuoteRecord record = make_record("ACME", "Acme Tools", 1.0f);
        strcpy(record.detail_url, address.url);
        mqtest::start_shell_recording();
        check_detail(&record, [&address](HWND detail) {
            send_command(detail, IDC_DETAIL_WEB_SITE);
            const std::vector<mqtest::ShellCall> &calls = mqtest::shell_calls();
            if (!address.opens) {
                EXPECT_TRUE(calls.empty()) << address.url;
                return;
            }
            ASSERT_EQ(calls.size(), 1u) << address.url;
            EXPECT_EQ(calls[0].owner, nullptr);
            EXPECT_EQ(calls[0].verb, "open");
            EXPECT_EQ(calls[0].file, address.url);
            EXPECT_FALSE(calls[0].has_parameters);
            EXPECT_FALSE(calls[0].has_directory);
            EXPECT_EQ(calls[0].show, SW_SHOW);
        });
    }
}

TEST(QuoteDetail, WebSiteReadsTheAddressAtTheClick) {
    ASSERT_TRUE(mqtest::start_shell_recording());
    QuoteRecord record = make_record("ACME", "Acme Tools", 1.0f);
    strcpy(record.detail_url, "http://first.example/");
    check_detail(&record, [&record](HWND detail) {
        // A refresh rewrites the record while the dialog is open.
        strcpy(record.detail_url, "calc.exe");
        send_command(detail, IDC_DETAIL_WEB_SITE);
        strcpy(record.detail_url, "https://second.example/");
        send_command(detail, IDC_DETAIL_WEB_SITE);
        std::vector<std::string> opened;
        for (const auto &call : mqtest::shell_calls()) opened.push_back(call.file);
        EXPECT_EQ(opened, (std::vector<std::string>{"https://second.example/"}));
    });
}

// The list with its one record's detail open over it.
class OpenQuoteDialogs : public testing::Test {
protected:
    void SetUp() override {
        QuoteRecord *record = nullptr;
        ASSERT_TRUE(symbol_list_get(state.get()->symbols, &record, 0));
        strcpy(record->detail_url, "http://acme.example/");
        ASSERT_TRUE(mqtest::start_shell_recording());
        script.then(on_list([this](HWND found) {
            list = found;
            select_line(list, 0);
            post_click(list, IDC_QUOTES_DETAIL);
        }));
    }

    QuoteState state{{make_record("ACME", "Acme Tools", 12.5f)}};
    DialogScript script;
    HWND list = nullptr;
};

// Both windows still exist until their loops unwind; the run ends only
// when both dialogs did.
TEST_F(OpenQuoteDialogs, ReplacedSymbolsCloseListAndDetail) {
    HWND detail = nullptr;
    script.then(on_detail([&detail](HWND found) {
        detail = found;
        quote_dialogs_close_all();
    }));
    EXPECT_EQ(script.run_dialog(quote_list_run, state.get(), 3000), 1)
        << "the dialogs did not close";
    EXPECT_FALSE(IsWindow(detail));
    EXPECT_FALSE(IsWindow(list));
}

// Neither may use the old list any more. A Detail that opened a dialog now
// would only end by the watchdog.
TEST_F(OpenQuoteDialogs, ReplacedSymbolsTurnTheCommandsOfListAndDetailOff) {
    script.then(on_detail([this](HWND detail) {
        send_command(detail, IDC_DETAIL_WEB_SITE);
        EXPECT_EQ(mqtest::shell_calls().size(), 1u);
        quote_dialogs_close_all();
        send_command(detail, IDC_DETAIL_WEB_SITE);
        send_command(list, IDC_QUOTES_DETAIL);
        EXPECT_EQ(mqtest::shell_calls().size(), 1u);
    }));
    EXPECT_EQ(script.run_dialog(quote_list_run, state.get(), 3000), 1);
}

INT_PTR CALLBACK foreign_dialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

TEST(QuoteDialogs, CloseAllLeavesOtherDialogsOpen) {
    DialogScript script;
    script.then(mqtest::act([] { quote_dialogs_close_all(); }));
    bool in_time = script.play(
        [] {
            DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_QUOTE_DETAIL),
                            mqtest::dialog_owner(), foreign_dialog, 0);
        },
        500);
    EXPECT_FALSE(in_time) << "a dialog that is not a quote dialog was closed";
}

}  // namespace

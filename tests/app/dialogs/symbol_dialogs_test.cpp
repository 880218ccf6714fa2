// The symbol and proxy dialogs, created from the program's own templates and
// driven with messages.
#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/dialogs/proxy_dialog.h"
#include "app/dialogs/symbol_dialog.h"
#include "app/resources/resource.h"
#include "support/dialog_driver.h"

namespace {

using mqtest::DialogScript;
using mqtest::find_dialog;

const char kSymbolCaption[] = "Symbol";
const char kProxyCaption[] = "Proxy Server Settings";
const char kMessageText[] = "Please enter a valid symbol";

// A record whose bytes after each terminator are not zero, so that "left as
// it was" is checked byte for byte.
QuoteRecord patterned_record(const char *symbol, const char *description) {
    QuoteRecord record;
    memset(&record, 0xA5, sizeof(record));
    strcpy(record.symbol, symbol);
    strcpy(record.description, description);
    return record;
}

// Types the texts into an open symbol dialog and presses OK.
DialogScript::Step type_symbol(const char *symbol, const std::string &description) {
    return mqtest::on_dialog(kSymbolCaption, [symbol, description](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_SYMBOL_SYMBOL, symbol);
        SetDlgItemTextA(dialog, IDC_SYMBOL_DESCRIPTION, description.c_str());
        mqtest::post_click(dialog, IDOK);
    });
}

DialogScript::Step click_when_open(const char *caption, int control_id) {
    return mqtest::on_dialog(caption,
                             [control_id](HWND dialog) { mqtest::post_click(dialog, control_id); });
}

// Checks the refusal box and answers it.
DialogScript::Step answer_refusal() {
    return mqtest::answer_message_box(APP_PRODUCT_NAME, [](HWND box) {
        EXPECT_EQ(mqtest::message_box_text(box), kMessageText);
        EXPECT_EQ(GetWindow(box, GW_OWNER), find_dialog(kSymbolCaption))
            << "the box belongs to the dialog";
        EXPECT_EQ(mqtest::message_box_icon(box), LoadIconA(nullptr, IDI_HAND)) << "error icon";
        EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK button only";
    });
}

TEST(SymbolDialog, ShowsTheRecordWithFocusInSymbol) {
    QuoteRecord record = patterned_record("IBM", "International Business Machines");
    DialogScript script;
    script.then(mqtest::on_dialog(kSymbolCaption, [](HWND dialog) {
        EXPECT_EQ(mqtest::control_text(dialog, IDC_SYMBOL_SYMBOL), "IBM");
        EXPECT_EQ(mqtest::control_text(dialog, IDC_SYMBOL_DESCRIPTION),
                  "International Business Machines");
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_SYMBOL_SYMBOL));
        mqtest::post_click(dialog, IDCANCEL);
    }));
    script.run_dialog(symbol_dialog_run, &record);
}

TEST(SymbolDialog, CancelLeavesTheRecordByteForByte) {
    QuoteRecord record = patterned_record("IBM", "International Business Machines");
    QuoteRecord before = record;
    DialogScript script;
    script.then(mqtest::on_dialog(kSymbolCaption, [](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_SYMBOL_SYMBOL, "CHANGED");
        mqtest::post_click(dialog, IDCANCEL);
    }));
    EXPECT_EQ(script.run_dialog(symbol_dialog_run, &record), 0);
    EXPECT_EQ(memcmp(&record, &before, sizeof(record)), 0);
}

struct TypedSymbol {
    const char *symbol;
    std::string description;
    const char *stored_symbol;
    std::string stored_description;
};

class SymbolDialogOk : public testing::TestWithParam<TypedSymbol> {};

TEST_P(SymbolDialogOk, StoresTheCutUpperCasedTexts) {
    const TypedSymbol &typed = GetParam();
    QuoteRecord record = patterned_record("OLD", "Old");
    DialogScript script;
    script.then(type_symbol(typed.symbol, typed.description));
    EXPECT_EQ(script.run_dialog(symbol_dialog_run, &record), 1);
    EXPECT_STREQ(record.symbol, typed.stored_symbol);
    EXPECT_EQ(std::string(record.description), typed.stored_description);
    EXPECT_EQ(static_cast<unsigned char>(record.symbol[15]), 0xA5)
        << "last byte of symbol never written";
    EXPECT_EQ(static_cast<unsigned char>(record.description[255]), 0xA5);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, SymbolDialogOk,
    testing::Values(TypedSymbol{"abcdefghijklmnopqrst", "", "ABCDEFGHIJKLMN", "ABCDEFGHIJKLMN"},
                    TypedSymbol{"ibm", std::string(300, 'd'), "IBM", std::string(254, 'd')}));

TEST(SymbolDialog, RefusesAOneLetterSymbolWithTheBoxAndTakesACorrection) {
    QuoteRecord record = patterned_record("", "");
    DialogScript script;
    script.then(type_symbol("x", "Ex"))
        .then(answer_refusal())
        .then(mqtest::wait_until_message_box_closed(APP_PRODUCT_NAME))
        .then(type_symbol("xy", "Ex"));
    EXPECT_EQ(script.run_dialog(symbol_dialog_run, &record), 1);
    EXPECT_STREQ(record.symbol, "XY");
}

TEST(SymbolDialog, CancelAfterARefusedOkLeavesTheRecordByteForByte) {
    QuoteRecord record = patterned_record("GE", "General Electric");
    QuoteRecord before = record;
    DialogScript script;
    script.then(type_symbol("q", "Changed description"))
        .then(answer_refusal())
        .then(mqtest::wait_until_message_box_closed(APP_PRODUCT_NAME))
        .then(click_when_open(kSymbolCaption, IDCANCEL));
    EXPECT_EQ(script.run_dialog(symbol_dialog_run, &record), 0);
    EXPECT_EQ(memcmp(&record, &before, sizeof(record)), 0);
}

struct TypedPort {
    uint32_t port_before;
    const char *shown;
    const char *typed;
    uint32_t stored;
};

class ProxyDialogOk : public testing::TestWithParam<TypedPort> {};

TEST_P(ProxyDialogOk, ShowsThePortAndStoresTheTypedOne) {
    const TypedPort &port = GetParam();
    AppState state;
    app_state_init(&state);
    strcpy(state.proxy, "old.proxy");
    state.proxy_port = port.port_before;
    DialogScript script;
    script.then(mqtest::on_dialog(kProxyCaption, [&port](HWND dialog) {
        EXPECT_EQ(mqtest::control_text(dialog, IDC_PROXY_ADDRESS), "old.proxy");
        EXPECT_EQ(mqtest::control_text(dialog, IDC_PROXY_PORT), port.shown);
        SetDlgItemTextA(dialog, IDC_PROXY_ADDRESS, "proxy.example");
        SetDlgItemTextA(dialog, IDC_PROXY_PORT, port.typed);
        mqtest::post_click(dialog, IDOK);
    }));
    EXPECT_EQ(script.run_dialog(proxy_dialog_run, &state), 1);
    EXPECT_STREQ(state.proxy, "proxy.example");
    EXPECT_EQ(state.proxy_port, port.stored);
}

INSTANTIATE_TEST_SUITE_P(Ports, ProxyDialogOk,
                         testing::Values(TypedPort{0, "0", "", 0u},
                                         TypedPort{80, "80", "8080abc", 8080u},
                                         TypedPort{4294967295u, "4294967295", "-1", 4294967295u},
                                         TypedPort{1, "1", "  +3128", 3128u},
                                         // Only the first ten characters are read.
                                         TypedPort{1, "1", "12345678905", 1234567890u},
                                         // Ten nines wrap around 2^32.
                                         TypedPort{1, "1", "99999999999", 1410065407u},
                                         TypedPort{1, "1", "port", 0u}));

}  // namespace

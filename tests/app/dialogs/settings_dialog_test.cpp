// The settings dialog against the real store in the test prefix's registry,
// with its symbol and proxy dialogs opened for real.
#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/dialogs/settings_dialog.h"
#include "app/resources/resource.h"
#include "app/settings/settings_store.h"
#include "app/settings/symbol_list.h"
#include "support/dialog_driver.h"
#include "support/settings_key.h"

namespace {

using mqtest::DialogScript;
using mqtest::find_dialog;
using Symbols = std::vector<std::string>;

const char kSettingsCaption[] = "Morvane Quote Settings";
const char kSymbolCaption[] = "Symbol";
const char kProxyCaption[] = "Proxy Server Settings";

HWND settings_window() { return find_dialog(kSettingsCaption); }

LRESULT line_position(HWND dialog, int index) {
    return SendDlgItemMessageA(dialog, IDC_SETTINGS_SYMBOLS, LB_GETITEMDATA,
                               static_cast<WPARAM>(index), 0);
}

// Steps shared by the scenarios below. Each waits for the dialog it acts on.
DialogScript::Step on_settings(std::function<void(HWND)> action) {
    return [action] {
        HWND dialog = settings_window();
        if (dialog && !find_dialog(kSymbolCaption) && !find_dialog(kProxyCaption)) {
            action(dialog);
            return true;
        }
        return false;
    };
}

DialogScript::Step click_settings(int control_id) {
    return on_settings([control_id](HWND dialog) { mqtest::post_click(dialog, control_id); });
}

DialogScript::Step select_settings_line(int index) {
    return on_settings(
        [index](HWND dialog) { mqtest::select_line(dialog, IDC_SETTINGS_SYMBOLS, index); });
}

// Types the two texts into the dialog `caption` and presses `button`.
DialogScript::Step fill_dialog(const char *caption, int first_id, const char *first, int second_id,
                               const char *second, int button) {
    return mqtest::on_dialog(caption, [=](HWND dialog) {
        SetDlgItemTextA(dialog, first_id, first);
        SetDlgItemTextA(dialog, second_id, second);
        mqtest::post_click(dialog, button);
    });
}

DialogScript::Step fill_symbol(const char *symbol, const char *description, int button = IDOK) {
    return fill_dialog(kSymbolCaption, IDC_SYMBOL_SYMBOL, symbol, IDC_SYMBOL_DESCRIPTION,
                       description, button);
}

DialogScript::Step fill_proxy(const char *address, const char *port, int button) {
    return fill_dialog(kProxyCaption, IDC_PROXY_ADDRESS, address, IDC_PROXY_PORT, port, button);
}

class SettingsDialog : public mqtest::SettingsKeyTest {
protected:
    INT_PTR run(DialogScript &script) { return script.run_dialog(settings_dialog_run, &state); }
};

struct IntervalCase {
    const char *typed;
    uint32_t stored;
};

class SettingsInterval : public SettingsDialog, public testing::WithParamInterface<IntervalCase> {};

TEST_P(SettingsInterval, OkStoresTheIntervalWithUnreadableOnesAs15) {
    seed({}, 40);
    DialogScript script;
    script
        .then(on_settings([](HWND dialog) {
            EXPECT_EQ(mqtest::control_text(dialog, IDC_SETTINGS_UPDATE), "40");
            SetDlgItemTextA(dialog, IDC_SETTINGS_UPDATE, GetParam().typed);
        }))
        .then(click_settings(IDOK));
    EXPECT_EQ(run(script), 1);
    EXPECT_EQ(state.update_minutes, GetParam().stored);
    uint32_t stored = 0;
    EXPECT_TRUE(mqtest::stored_dword("Update", &stored));
    EXPECT_EQ(stored, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Typed, SettingsInterval,
                         testing::Values(IntervalCase{"", 15}, IntervalCase{"0", 15},
                                         IntervalCase{"-5", 15}, IntervalCase{"ten", 15},
                                         IntervalCase{"99999999999", 15}, IntervalCase{"30", 30},
                                         IntervalCase{"100000", 100000}));

TEST_F(SettingsDialog, AddShowsTheLineSortedAndEditChangesTheAppendedRecord) {
    seed({{"BBB", "Beta"}, {"ZZZ", "Zulu"}});
    DialogScript script;
    script.then(click_settings(IDC_SETTINGS_ADD))
        .then(fill_symbol("aaa", "Alpha"))
        .then(on_settings([](HWND dialog) {
            EXPECT_EQ(mqtest::list_line(dialog, IDC_SETTINGS_SYMBOLS, 0), "Alpha (AAA)");
            EXPECT_EQ(line_position(dialog, 0), 2);
            EXPECT_FALSE(mqtest::control_enabled(dialog, IDC_SETTINGS_EDIT));
            mqtest::select_line(dialog, IDC_SETTINGS_SYMBOLS, 0);
        }))
        .then(on_settings([](HWND dialog) {
            EXPECT_TRUE(mqtest::control_enabled(dialog, IDC_SETTINGS_EDIT));
            EXPECT_TRUE(mqtest::control_enabled(dialog, IDC_SETTINGS_DELETE));
            mqtest::post_click(dialog, IDC_SETTINGS_EDIT);
        }))
        .then(mqtest::on_dialog(
            kSymbolCaption,
            [](HWND dialog) {
                EXPECT_EQ(mqtest::control_text(dialog, IDC_SYMBOL_SYMBOL), "AAA");
                EXPECT_EQ(mqtest::control_text(dialog, IDC_SYMBOL_DESCRIPTION), "Alpha");
            }))
        .then(fill_symbol("aab", "Alpha two"))
        .then(on_settings([](HWND dialog) {
            EXPECT_EQ(mqtest::list_line(dialog, IDC_SETTINGS_SYMBOLS, 0), "Alpha two (AAB)");
            EXPECT_EQ(line_position(dialog, 0), 2);
            EXPECT_EQ(mqtest::list_count(dialog, IDC_SETTINGS_SYMBOLS), 3);
            EXPECT_FALSE(mqtest::control_enabled(dialog, IDC_SETTINGS_EDIT))
                << "the edited line is new and unselected";
            mqtest::post_click(dialog, IDOK);
        }));
    EXPECT_EQ(run(script), 1);
    EXPECT_EQ(mqtest::listed_symbols(&state), (Symbols{"BBB", "ZZZ", "AAB"}));
    ASSERT_NE(record_at(2), nullptr);
    EXPECT_STREQ(record_at(2)->description, "Alpha two");
    EXPECT_EQ(mqtest::stored_symbols(), (Symbols{"BBB", "ZZZ", "AAB"}));
}

TEST_F(SettingsDialog, DuplicatesAreKeptAndATypedNullBecomesADeletedRecord) {
    seed({{"BBB", "Beta"}});
    DialogScript script;
    script.then(click_settings(IDC_SETTINGS_ADD))
        .then(fill_symbol("bbb", "Beta"))
        .then(click_settings(IDC_SETTINGS_ADD))
        .then(fill_symbol("nUlL", ""))
        .then(on_settings([](HWND dialog) {
            EXPECT_EQ(mqtest::list_count(dialog, IDC_SETTINGS_SYMBOLS), 3);
            EXPECT_EQ(mqtest::list_line(dialog, IDC_SETTINGS_SYMBOLS, 0), "Beta (BBB)");
            EXPECT_EQ(mqtest::list_line(dialog, IDC_SETTINGS_SYMBOLS, 1), "Beta (BBB)");
            EXPECT_EQ(mqtest::list_line(dialog, IDC_SETTINGS_SYMBOLS, 2), "NULL (NULL)");
            mqtest::post_click(dialog, IDOK);
        }));
    EXPECT_EQ(run(script), 1);
    EXPECT_EQ(mqtest::listed_symbols(&state), (Symbols{"BBB", "BBB", "NULL"}));
    EXPECT_EQ(mqtest::stored_symbols(), (Symbols{"BBB", "BBB"}));
}

TEST_F(SettingsDialog, DeleteMarksTheRecordAndEditAfterItOnlyDisablesTheButtons) {
    seed({{"BBB", "Beta"}, {"CCC", "Gamma"}});
    DialogScript script;
    script.then(select_settings_line(1))
        .then(click_settings(IDC_SETTINGS_DELETE))
        .then(on_settings([](HWND dialog) {
            EXPECT_EQ(mqtest::list_count(dialog, IDC_SETTINGS_SYMBOLS), 1);
            EXPECT_EQ(mqtest::list_line(dialog, IDC_SETTINGS_SYMBOLS, 0), "Beta (BBB)");
            EXPECT_TRUE(mqtest::control_enabled(dialog, IDC_SETTINGS_EDIT))
                << "Delete leaves the buttons as they were";
            mqtest::post_click(dialog, IDC_SETTINGS_EDIT);
        }))
        .then(on_settings([](HWND dialog) {
            EXPECT_FALSE(mqtest::control_enabled(dialog, IDC_SETTINGS_EDIT));
            EXPECT_FALSE(mqtest::control_enabled(dialog, IDC_SETTINGS_DELETE));
            // The button is disabled now; the command itself must still find
            // no line and do nothing.
            PostMessageA(dialog, WM_COMMAND, IDC_SETTINGS_DELETE, 0);
        }))
        .then(on_settings([](HWND dialog) {
            EXPECT_EQ(mqtest::list_count(dialog, IDC_SETTINGS_SYMBOLS), 1);
            mqtest::post_click(dialog, IDOK);
        }));
    EXPECT_EQ(run(script), 1);
    ASSERT_NE(record_at(1), nullptr);
    EXPECT_STREQ(record_at(1)->symbol, "NULL");
    EXPECT_STREQ(record_at(1)->description, "Gamma") << "only the symbol is overwritten";
    EXPECT_EQ(mqtest::stored_symbols(), (Symbols{"BBB"}));
}

TEST_F(SettingsDialog, DoubleClickOpensTheSymbolDialogOnThatLine) {
    seed({{"BBB", "Beta"}, {"AAA", "Alpha"}});
    DialogScript script;
    script
        .then(on_settings([](HWND dialog) {
            mqtest::select_line(dialog, IDC_SETTINGS_SYMBOLS, 1);
            mqtest::post_double_click(dialog, IDC_SETTINGS_SYMBOLS);
        }))
        .then(mqtest::on_dialog(
            kSymbolCaption,
            [](HWND dialog) {
                EXPECT_EQ(mqtest::control_text(dialog, IDC_SYMBOL_SYMBOL), "BBB");
                EXPECT_EQ(mqtest::control_text(dialog, IDC_SYMBOL_DESCRIPTION), "Beta");
                mqtest::post_click(dialog, IDCANCEL);
            }))
        .then(click_settings(IDCANCEL));
    EXPECT_EQ(run(script), 0);
}

TEST_F(SettingsDialog, CancelRestoresTheStoredListIntervalAndProxy) {
    seed({{"BBB", "Beta"}, {"CCC", "Gamma"}}, 20, "stored.proxy", 8080);
    DialogScript script;
    script.then(click_settings(IDC_SETTINGS_ADD))
        .then(fill_symbol("NEW", "New one"))
        .then(select_settings_line(1))  // Beta, Gamma, New one: Gamma
        .then(click_settings(IDC_SETTINGS_EDIT))
        .then(fill_symbol("CCX", "Changed"))
        .then(select_settings_line(0))
        .then(click_settings(IDC_SETTINGS_DELETE))
        .then(click_settings(IDC_SETTINGS_PROXY))
        .then(fill_proxy("other.proxy", "3128", IDOK))
        .then(on_settings([this](HWND dialog) {
            EXPECT_STREQ(state.proxy, "other.proxy");
            EXPECT_EQ(state.proxy_port, 3128u);
            EXPECT_EQ(mqtest::listed_symbols(&state), (Symbols{"NULL", "CCX", "NEW"}));
            SetDlgItemTextA(dialog, IDC_SETTINGS_UPDATE, "99");
            mqtest::post_click(dialog, IDCANCEL);
        }));
    EXPECT_EQ(run(script), 0);
    EXPECT_EQ(mqtest::listed_symbols(&state), (Symbols{"BBB", "CCC"}));
    ASSERT_NE(record_at(1), nullptr);
    EXPECT_STREQ(record_at(1)->description, "Gamma");
    EXPECT_EQ(state.update_minutes, 20u);
    EXPECT_STREQ(state.proxy, "stored.proxy");
    EXPECT_EQ(state.proxy_port, 8080u);
}

TEST_F(SettingsDialog, CancelledProxyDialogLeavesAddressAndPortAsTheyWere) {
    seed({}, 15, "kept.proxy", 81);
    char proxy_before[APP_PROXY_SIZE];
    memcpy(proxy_before, state.proxy, sizeof(proxy_before));
    DialogScript script;
    script.then(click_settings(IDC_SETTINGS_PROXY))
        .then(fill_proxy("other", "1", IDCANCEL))
        .then(on_settings([&](HWND dialog) {
            EXPECT_EQ(memcmp(state.proxy, proxy_before, sizeof(proxy_before)), 0);
            EXPECT_EQ(state.proxy_port, 81u);
            mqtest::post_click(dialog, IDOK);
        }));
    EXPECT_EQ(run(script), 1);
}

// With no list to append to, the confirmed symbol must not get a line that
// would carry another record's position.
TEST_F(SettingsDialog, EmptyListOpensWithButtonsDisabledAndAFailedAppendAddsNoLine) {
    settings_free(&state);
    DialogScript script;
    script
        .then(on_settings([](HWND dialog) {
            EXPECT_EQ(mqtest::list_count(dialog, IDC_SETTINGS_SYMBOLS), 0);
            EXPECT_FALSE(mqtest::control_enabled(dialog, IDC_SETTINGS_EDIT));
            EXPECT_FALSE(mqtest::control_enabled(dialog, IDC_SETTINGS_DELETE));
        }))
        .then(click_settings(IDC_SETTINGS_ADD))
        .then(fill_symbol("AAA", "Alpha"))
        .then(on_settings([](HWND dialog) {
            EXPECT_EQ(mqtest::list_count(dialog, IDC_SETTINGS_SYMBOLS), 0);
            mqtest::post_click(dialog, IDCANCEL);
        }));
    EXPECT_EQ(run(script), 0);
}

TEST_F(SettingsDialog, ListsAtMostTheFirstThousandPositions) {
    for (int n = 0; n < 1002; ++n) {
        char symbol[16];
        snprintf(symbol, sizeof(symbol), "S%04d", n);
        QuoteRecord record = mqtest::make_record(symbol, "x");
        ASSERT_EQ(symbol_list_append(state.symbols, &record, sizeof(record)), 1);
    }
    DialogScript script;
    script.then(on_settings([](HWND dialog) {
        EXPECT_EQ(mqtest::list_count(dialog, IDC_SETTINGS_SYMBOLS), 1000);
        EXPECT_EQ(mqtest::list_line(dialog, IDC_SETTINGS_SYMBOLS, 999), "x (S0999)");
        mqtest::post_click(dialog, IDCANCEL);
    }));
    EXPECT_EQ(run(script), 0);
}

}  // namespace

// The tray's dialog commands on the real tray window, created in this process
// with the libraries of the build's bin folder; once it is up, its quote
// function is swapped for a fake that counts the refreshes.
#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <gtest/gtest.h>

#include "app/resources/resource.h"
#include "app/settings/settings_store.h"
#include "app/settings/symbol_list.h"
#include "app/tray_commands.h"
#include "app/tray_messages.h"
#include "app/tray_window.h"
#include "support/dialog_driver.h"
#include "support/settings_key.h"
#include "support/win32_test_support.h"

// The tray's bracket around each dialog, defined in app/tray_commands.cpp;
// only these tests call it from outside.
void show_owner_window(HWND window);
void hide_owner_window(HWND window);

namespace {

using mqtest::DialogScript;
using mqtest::find_dialog;

const char kSettingsCaption[] = "Morvane Quote Settings";
const char kAboutCaption[] = "About Morvane Quote";

int quote_calls = 0;

int32_t MQ_CDECL counting_quote(QuoteRequest *) {
    ++quote_calls;
    return 1;
}

// A command given from inside a dialog's loop, as the tray menu gives it:
// carried out at the next tick of a one-shot timer, so the step that gives
// it does not wait for the dialog it opens.
struct PostedCommand {
    HWND window;
    UINT command;
    AppState *state;
} posted_command;

void CALLBACK run_posted_command(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    handle_command(posted_command.window, posted_command.command, posted_command.state);
}

// Takes the WM_QUIT the window's teardown posts, which would end the next
// test's dialogs.
void drop_quit_message() {
    MSG message;
    PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// Lets the window's messages (timer ticks above all) arrive for a while.
void pump_messages(DWORD milliseconds) {
    mqtest::wait_until([] { return false; }, milliseconds, 10);
}

class TrayCommands : public mqtest::SettingsKeyTest {
protected:
    void SetUp() override {
        SettingsKeyTest::SetUp();
        WNDCLASSEXA window_class = {};
        window_class.cbSize = sizeof(window_class);
        window_class.lpfnWndProc = tray_window_proc;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = TRAY_WINDOW_CLASS;
        RegisterClassExA(&window_class);
        SetDllDirectoryA(mqtest::deliverable_dir().c_str());
        window = CreateWindowExA(0, TRAY_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), &state);
        ASSERT_NE(window, nullptr);
        state.quote_function = counting_quote;
        quote_calls = 0;
    }

    void TearDown() override {
        DestroyWindow(window);
        drop_quit_message();
        SetDllDirectoryA(nullptr);
        SettingsKeyTest::TearDown();
    }

    void post_command(UINT command) {
        posted_command = PostedCommand{window, command, &state};
        SetTimer(nullptr, 0, 0, run_posted_command);
    }

    bool shown() const { return IsWindowVisible(window) != FALSE; }

    HWND window = nullptr;
};

TEST_F(TrayCommands, OwnerWindowStaysShownUntilTheLastDialogCloses) {
    show_owner_window(window);
    show_owner_window(window);
    hide_owner_window(window);
    EXPECT_TRUE(shown());
    hide_owner_window(window);
    EXPECT_FALSE(shown());
    // A surplus hide must not leave the count below 0, or the next dialog
    // would not show the window.
    hide_owner_window(window);
    show_owner_window(window);
    EXPECT_TRUE(shown());
    hide_owner_window(window);
    EXPECT_FALSE(shown());
}

TEST_F(TrayCommands, SettingsOpensOnceAboutOpensBesideItAndTheWindowHidesAfterBoth) {
    DialogScript script;
    script
        .then([this] {
            if (!find_dialog(kSettingsCaption)) {
                return false;
            }
            EXPECT_TRUE(shown());
            EXPECT_EQ(state.settings_open, 1);
            post_command(IDM_SETTINGS);
            return true;
        })
        .then([this] {
            EXPECT_EQ(mqtest::count_dialogs(kSettingsCaption), 1);
            post_command(IDM_ABOUT);
            return true;
        })
        .then(mqtest::on_dialog(kAboutCaption,
                                [this](HWND about) {
                                    EXPECT_EQ(state.about_open, 1);
                                    mqtest::post_click(about, IDOK);
                                }))
        .then([this] {
            if (find_dialog(kAboutCaption)) {
                return false;
            }
            EXPECT_EQ(state.about_open, 0);
            EXPECT_EQ(state.settings_open, 1);
            EXPECT_TRUE(shown()) << "settings is still open";
            mqtest::post_click(find_dialog(kSettingsCaption), IDCANCEL);
            return true;
        });
    script.run([this] { handle_command(window, IDM_SETTINGS, &state); });
    EXPECT_EQ(state.settings_open, 0);
    EXPECT_FALSE(shown());
}

struct SettingsEnd {
    const char *name;
    const char *interval;  // typed into the interval field
    int button;
    int refreshes;
    bool timer_keeps_phase;  // the short test timer still ticks afterwards
};

class TraySettingsEnd : public TrayCommands, public testing::WithParamInterface<SettingsEnd> {};

TEST_P(TraySettingsEnd, RefreshesAfterOkAndRestartsTheTimerOnlyForANewInterval) {
    const SettingsEnd &end = GetParam();
    seed({{"IBM", "International"}}, 15);
    // A short timer with the refresh timer's id shows whether it was restarted
    // (with 15 or 16 minutes) or kept.
    SetTimer(window, IDT_REFRESH, 100, nullptr);
    DialogScript script;
    script.then(mqtest::on_dialog(kSettingsCaption, [&end](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_SETTINGS_UPDATE, end.interval);
        mqtest::post_click(dialog, end.button);
    }));
    script.run([this] { handle_command(window, IDM_SETTINGS, &state); });
    EXPECT_EQ(quote_calls, end.refreshes);
    // Every tick of the timer is a refresh, which asks for the one symbol.
    quote_calls = 0;
    pump_messages(600);
    EXPECT_EQ(quote_calls > 0, end.timer_keeps_phase);
    EXPECT_TRUE(KillTimer(window, IDT_REFRESH)) << "the refresh timer still exists";
}

INSTANTIATE_TEST_SUITE_P(Ends, TraySettingsEnd,
                         testing::Values(SettingsEnd{"OkSameInterval", "15", IDOK, 1, true},
                                         SettingsEnd{"OkNewInterval", "16", IDOK, 1, false},
                                         SettingsEnd{"Cancel", "16", IDCANCEL, 0, true}),
                         [](const testing::TestParamInfo<SettingsEnd> &info) {
                             return info.param.name;
                         });

TEST_F(TrayCommands, ADialogThatCannotBeCreatedLeavesNoTrace) {
    // A module without the templates makes DialogBoxParamA fail.
    SetWindowLongPtrA(window, GWLP_HINSTANCE,
                      reinterpret_cast<LONG_PTR>(GetModuleHandleA("kernel32.dll")));
    handle_command(window, IDM_SETTINGS, &state);
    EXPECT_EQ(state.settings_open, 0);
    EXPECT_EQ(quote_calls, 0);
    EXPECT_FALSE(shown());
    SetWindowLongPtrA(window, GWLP_HINSTANCE,
                      reinterpret_cast<LONG_PTR>(GetModuleHandleA(nullptr)));
    show_owner_window(window);
    EXPECT_TRUE(shown()) << "the count went back to 0";
    hide_owner_window(window);
}

// The quote list and detail hold positions and a record of the list that a
// settings Cancel frees: they must be gone before it is freed, so that no
// later "&Detail" or "&Web Site" can reach the old list.
TEST_F(TrayCommands, SettingsCancelClosesTheQuoteDialogsOpenedBeforeIt) {
    QuoteRecord record = mqtest::make_record("IBM", "International");
    record.last_sale = 12.5f;
    strcpy(record.detail_url, "http://quotes.example/IBM");
    ASSERT_EQ(symbol_list_append(state.symbols, &record, sizeof(record)), 1);
    settings_save(&state);
    settings_load(&state);
    HWND quote_list = nullptr;
    HWND quote_detail = nullptr;
    DialogScript script;
    script
        .then([&] {
            quote_list = find_dialog(APP_PRODUCT_NAME, IDC_QUOTES_LIST);
            if (quote_list) {
                mqtest::select_line(quote_list, IDC_QUOTES_LIST, 0);
            }
            return quote_list != nullptr;
        })
        .then([&] {
            mqtest::post_click(quote_list, IDC_QUOTES_DETAIL);
            return true;
        })
        .then([&] {
            quote_detail = find_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE);
            if (quote_detail) {
                post_command(IDM_SETTINGS);
            }
            return quote_detail != nullptr;
        })
        .then(mqtest::on_dialog(kSettingsCaption,
                                [](HWND settings) { mqtest::post_click(settings, IDCANCEL); }));
    // Dialogs that stayed open after the Cancel would keep the script's run
    // waiting until its time-out ends them, which fails the test.
    script.run([this] { handle_command(window, IDM_DISPLAY_QUOTES, &state); }, 5000);
    EXPECT_FALSE(IsWindow(quote_detail));
    EXPECT_FALSE(IsWindow(quote_list));
    EXPECT_EQ(state.quotes_open, 0);
    EXPECT_EQ(state.settings_open, 0);
    EXPECT_FALSE(shown());
    EXPECT_EQ(mqtest::listed_symbols(&state), std::vector<std::string>{"IBM"});
}

}  // namespace

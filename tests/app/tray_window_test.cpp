// The tray window created for real in this process: binding the libraries
// from the build's bin folder, the fatal path without them, the teardown,
// the timer and the pop-up menu.
#include <windows.h>
#include <shellapi.h>

#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/resources/resource.h"
#include "app/settings/settings_store.h"
#include "app/tray_icon.h"
#include "app/tray_messages.h"
#include "app/tray_window.h"
#include "pagefetch/page_fetch.h"
#include "support/dialog_driver.h"
#include "support/import_hook.h"
#include "support/settings_key.h"
#include "support/win32_test_support.h"

namespace {

struct Notification {
    DWORD message;
    std::string tip;
};

std::vector<Notification> g_notifications;

BOOL WINAPI record_notify(DWORD message, PNOTIFYICONDATAA data) {
    g_notifications.push_back({message, (data->uFlags & NIF_TIP) ? data->szTip : ""});
    return TRUE;
}

int count(DWORD message) {
    int total = 0;
    for (const Notification &seen : g_notifications) {
        total += seen.message == message;
    }
    return total;
}

std::string class_of(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

// Picks a menu item by its mnemonic once the pop-up menu is up, or closes
// the menu with Escape when `key` is 0.
WPARAM g_menu_key = 0;
void CALLBACK press_menu_key(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu == nullptr) {
        return;
    }
    KillTimer(nullptr, timer);
    if (g_menu_key != 0) {
        PostMessageA(menu, WM_CHAR, g_menu_key, 0);
    } else {
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    }
}

class TrayWindow : public testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSEXA window_class = {};
        window_class.cbSize = sizeof(window_class);
        window_class.style = CS_DBLCLKS;
        window_class.lpfnWndProc = tray_window_proc;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = TRAY_WINDOW_CLASS;
        RegisterClassExA(&window_class);
    }

    void SetUp() override {
        mqtest::delete_store();
        g_notifications.clear();
        ASSERT_TRUE(notify_.ok());
        app_state_init(&state_);
        state_.update_minutes = 15;
        state_.balloon_capable = 1;
        ASSERT_TRUE(symbol_list_create(&state_.symbols));  // empty: no fetch
    }

    void TearDown() override {
        if (window_ != nullptr && IsWindow(window_)) {
            DestroyWindow(window_);
        }
        mqtest::dispatch_pending();
        settings_free(&state_);
        SetDllDirectoryA(nullptr);
        mqtest::delete_store();
    }

    HWND create() {
        window_ = CreateWindowExA(WS_EX_TRANSPARENT, TRAY_WINDOW_CLASS, "Morvane Quote",
                                  WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), &state_);
        return window_;
    }

    HWND create_with_libraries() {
        SetDllDirectoryA(mqtest::deliverable_dir().c_str());
        return create();
    }

    HWND window_ = nullptr;
    AppState state_;
    mqtest::ScopedImport notify_{"shell32.dll", "Shell_NotifyIconA",
                                 reinterpret_cast<void *>(record_notify)};
};

TEST_F(TrayWindow, WithoutThePageFetchShowsTheFatalMessageAndCreatesNoWindow) {
    mqtest::DialogScript script;
    script.then(mqtest::answer_message_box("Morvane Quote", [](HWND box) {
        EXPECT_EQ(mqtest::message_box_text(box), "Fatal error - please reinstall.");
        EXPECT_EQ(class_of(GetWindow(box, GW_OWNER)), TRAY_WINDOW_CLASS);
    }));
    HWND window = nullptr;
    script.run([&] { window = create(); });

    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(count(NIM_ADD), 0);
    EXPECT_EQ(state_.utilities_module, nullptr);
    EXPECT_EQ(state_.quote_function, nullptr);
    WPARAM exit_code = 99;
    EXPECT_TRUE(mqtest::dispatch_pending(&exit_code));
    EXPECT_EQ(exit_code, 0u);
}

TEST_F(TrayWindow, BindsTheLibrariesAndTheTeardownLeavesNothingPointingIntoThem) {
    ASSERT_NE(create_with_libraries(), nullptr);
    EXPECT_NE(state_.utilities_module, nullptr);
    EXPECT_NE(state_.plugin_module, nullptr);
    EXPECT_NE(state_.quote_function, nullptr);
    ASSERT_EQ(count(NIM_ADD), 1);
    EXPECT_EQ(g_notifications[0].tip, "Morvane Quote");
    EXPECT_EQ(count(NIM_MODIFY), 1);  // the first refresh
    EXPECT_EQ(state_.trend_icon, (uint32_t)IDI_TREND_STEADY);

    SendMessageA(window_, WM_CLOSE, 0, 0);

    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(count(NIM_DELETE), 1);
    EXPECT_EQ(state_.quote_function, nullptr);
    EXPECT_EQ(state_.plugin_module, nullptr);
    EXPECT_EQ(state_.utilities_module, nullptr);
    EXPECT_EQ(GetModuleHandleA(MQX_PLUGIN_FILE_NAME), nullptr);
    EXPECT_EQ(GetModuleHandleA(MQUTILITES_FILE_NAME), nullptr);
    WPARAM exit_code = 99;
    EXPECT_TRUE(mqtest::dispatch_pending(&exit_code));
    EXPECT_EQ(exit_code, 0u);
}

TEST_F(TrayWindow, AZeroIntervalDoesNotRunTheTimerFlatOut) {
    state_.update_minutes = 0;
    ASSERT_NE(create_with_libraries(), nullptr);
    mqtest::wait_until([] { return false; }, 400);
    EXPECT_EQ(count(NIM_MODIFY), 1);
}

TEST_F(TrayWindow, ThePopUpMenuRunsTheChosenCommandAndNothingWhenDismissed) {
    ASSERT_NE(create_with_libraries(), nullptr);
    g_menu_key = 0;
    SetTimer(nullptr, 0, 100, press_menu_key);
    SendMessageA(window_, WM_TRAY_CALLBACK, 0, WM_RBUTTONDOWN);
    EXPECT_EQ(count(NIM_MODIFY), 1);
    EXPECT_TRUE(IsWindow(window_));

    g_menu_key = 'u';  // &Update Now
    SetTimer(nullptr, 0, 100, press_menu_key);
    SendMessageA(window_, WM_TRAY_CALLBACK, 0, WM_RBUTTONDOWN);
    EXPECT_EQ(count(NIM_MODIFY), 2);

    g_menu_key = 'x';  // E&xit
    SetTimer(nullptr, 0, 100, press_menu_key);
    SendMessageA(window_, WM_TRAY_CALLBACK, 0, WM_RBUTTONDOWN);
    EXPECT_FALSE(IsWindow(window_));
}

}  // namespace

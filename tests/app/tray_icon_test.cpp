// The tray icon: the exact data each operation hands the shell, seen through
// the program's import of Shell_NotifyIconA, and the real notification area
// of Wine.
#include <windows.h>
#include <shellapi.h>

#include <stddef.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/resources/resource.h"
#include "app/tray_icon.h"
#include "support/import_hook.h"

namespace {

struct NotifyCall {
    DWORD message;
    NOTIFYICONDATAA data;
};

std::vector<NotifyCall> g_calls;
BOOL g_shell_result = TRUE;

BOOL WINAPI record_notify(DWORD message, PNOTIFYICONDATAA data) {
    NotifyCall call;
    call.message = message;
    // The shell may read only cbSize bytes; the rest must not matter.
    memset(&call.data, 0xCC, sizeof(call.data));
    memcpy(&call.data, data, data->cbSize <= sizeof(call.data) ? data->cbSize : sizeof(call.data));
    g_calls.push_back(call);
    return g_shell_result;
}

#ifdef _WIN64
// The x86-64 stand-in build: the same two layouts with 8-byte handles.
const DWORD kSmall = offsetof(NOTIFYICONDATAA, szTip) + 64;
const DWORD kLarge = offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD);
#else
const DWORD kSmall = 88;
const DWORD kLarge = 488;
#endif

// The icons come from the module of the window's class: this test program
// links the program's own resources, so they load as in the program.
class TrayIconSeam : public testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_shell_result = TRUE;
        ASSERT_TRUE(notify_.ok());
        window_ = CreateWindowExA(0, "STATIC", "tray", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }
    const NotifyCall &only_call() {
        EXPECT_EQ(g_calls.size(), 1u);
        static NotifyCall none;
        return g_calls.empty() ? none : g_calls.back();
    }

    mqtest::ScopedImport notify_{"shell32.dll", "Shell_NotifyIconA",
                                 reinterpret_cast<void *>(record_notify)};
    HWND window_ = nullptr;
};

void expect_header(const NotifyCall &call, DWORD message, DWORD size, HWND window, UINT flags) {
    EXPECT_EQ(call.message, message);
    EXPECT_EQ(call.data.cbSize, size);
    EXPECT_EQ(call.data.hWnd, window);
    EXPECT_EQ(call.data.uID, 0u);
    EXPECT_EQ(call.data.uFlags, flags);
}

// The tooltip field of the layout, with the bytes after its terminator zero.
void expect_tip(const NotifyCall &call, DWORD size, const std::string &text) {
    size_t width = size == kLarge ? 128 : 64;
    std::string expected = text;
    expected.resize(width, '\0');
    EXPECT_EQ(std::string(call.data.szTip, width), expected);
}

TEST_F(TrayIconSeam, AddAndUpdateSendIconMessageAndTooltipInEitherLayout) {
    for (int balloon_capable : {0, 1}) {
        SCOPED_TRACE(balloon_capable ? "large layout" : "small layout");
        DWORD size = balloon_capable ? kLarge : kSmall;
        g_calls.clear();
        tray_add_icon(window_, balloon_capable);
        expect_header(only_call(), NIM_ADD, size, window_, 7);
        EXPECT_EQ(only_call().data.uCallbackMessage, 0x8001u);
        EXPECT_NE(only_call().data.hIcon, nullptr);
        expect_tip(only_call(), size, "Morvane Quote");

        g_calls.clear();
        tray_update_icon(window_, IDI_TREND_RISE, "MSFT:$1.0000 100% %s %d", balloon_capable);
        expect_header(only_call(), NIM_MODIFY, size, window_, 7);
        EXPECT_EQ(only_call().data.uCallbackMessage, 0x8001u);
        EXPECT_NE(only_call().data.hIcon, nullptr);
        expect_tip(only_call(), size, "MSFT:$1.0000 100% %s %d");
    }
}

TEST_F(TrayIconSeam, TooltipLongerThanItsFieldIsCutAndTerminated) {
    const std::string long_text(300, 'T');
    for (int balloon_capable : {0, 1}) {
        DWORD size = balloon_capable ? kLarge : kSmall;
        g_calls.clear();
        tray_update_icon(window_, IDI_TREND_FALL, long_text.c_str(), balloon_capable);
        expect_tip(only_call(), size, long_text.substr(0, (balloon_capable ? 128 : 64) - 1));
    }
}

TEST_F(TrayIconSeam, BalloonSendsInfoFieldsAndNoTooltip) {
    g_shell_result = TRUE;
    EXPECT_TRUE(tray_show_balloon(window_, IDI_TREND_STEADY, "AAPL:$2.5000 5%", 1));
    const NotifyCall &call = only_call();
    expect_header(call, NIM_MODIFY, kLarge, window_, 19);
    EXPECT_EQ(call.data.uCallbackMessage, 0x8001u);
    EXPECT_NE(call.data.hIcon, nullptr);
    EXPECT_EQ(std::string(call.data.szTip, sizeof(call.data.szTip)), std::string(128, '\0'));
    std::string info(256, '\0');
    info.replace(0, 15, "AAPL:$2.5000 5%");
    EXPECT_EQ(std::string(call.data.szInfo, 256), info);
    std::string title(64, '\0');
    title.replace(0, 13, "Morvane Quote");
    EXPECT_EQ(std::string(call.data.szInfoTitle, 64), title);
    EXPECT_EQ(call.data.uTimeout, 0u);
    EXPECT_EQ(call.data.dwInfoFlags, 0u);
    EXPECT_EQ(call.data.dwState, 0u);
    EXPECT_EQ(call.data.dwStateMask, 0u);
}

TEST_F(TrayIconSeam, BalloonYieldsTheShellsResultAndCutsLongText) {
    g_shell_result = FALSE;
    const std::string long_text(400, 'B');
    EXPECT_FALSE(tray_show_balloon(window_, IDI_TREND_STEADY, long_text.c_str(), 1));
    EXPECT_EQ(std::string(only_call().data.szInfo, 256), std::string(255, 'B') + '\0');
}

TEST_F(TrayIconSeam, NoBalloonWithoutTheCapability) {
    EXPECT_FALSE(tray_show_balloon(window_, IDI_TREND_STEADY, "text", 0));
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(TrayIconSeam, RemoveSendsOnlyTheHeader) {
    for (int balloon_capable : {0, 1}) {
        g_calls.clear();
        tray_remove_icon(window_, balloon_capable);
        const NotifyCall &call = only_call();
        expect_header(call, NIM_DELETE, balloon_capable ? kLarge : kSmall, window_, 0);
        EXPECT_EQ(call.data.uCallbackMessage, 0u);
        EXPECT_EQ(call.data.hIcon, nullptr);
        expect_tip(call, call.data.cbSize, "");
    }
}

}  // namespace

// The real notification area: Wine's explorer provides it for the session.
struct ShellResult {
    DWORD message;
    BOOL result;
};
std::vector<ShellResult> g_results;
const mqtest::ScopedImport *g_shell = nullptr;

BOOL WINAPI call_shell(DWORD message, PNOTIFYICONDATAA data) {
    BOOL result = g_shell->original<BOOL(WINAPI *)(DWORD, PNOTIFYICONDATAA)>()(message, data);
    g_results.push_back(ShellResult{message, result});
    return result;
}

LRESULT CALLBACK plain_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND create_hidden_window() {
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = plain_window_procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "MqTrayIconTest";
    RegisterClassExA(&window_class);
    return CreateWindowExA(0, window_class.lpszClassName, "tray test", WS_OVERLAPPEDWINDOW, 0, 0,
                           100, 100, nullptr, nullptr, window_class.hInstance, nullptr);
}

TEST(TrayIconShell, EveryOperationSucceedsInTheRealNotificationArea) {
    HWND window = create_hidden_window();
    ASSERT_NE(window, nullptr);
    mqtest::ScopedImport shell("shell32.dll", "Shell_NotifyIconA",
                               reinterpret_cast<void *>(call_shell));
    g_shell = &shell;
    ASSERT_TRUE(shell.ok());
    for (int balloon_capable : {1, 0}) {
        SCOPED_TRACE(balloon_capable ? "large layout" : "small layout");
        g_results.clear();
        tray_add_icon(window, balloon_capable);
        tray_update_icon(window, IDI_TREND_STRONG_RISE, "MSFT:$1.0000 50%", balloon_capable);
        BOOL balloon =
            tray_show_balloon(window, IDI_TREND_STRONG_RISE, "MSFT:$1.0000 50%", balloon_capable);
        tray_remove_icon(window, balloon_capable);
        const DWORD expected[] = {NIM_ADD, NIM_MODIFY, NIM_MODIFY, NIM_DELETE};
        size_t calls = balloon_capable ? 4 : 3;
        ASSERT_EQ(g_results.size(), calls);
        for (size_t n = 0, e = 0; n < calls; ++n, ++e) {
            if (!balloon_capable && e == 2) ++e;  // no balloon call
            EXPECT_EQ(g_results[n].message, expected[e]) << "call " << n;
            EXPECT_TRUE(g_results[n].result) << "call " << n;
        }
        EXPECT_EQ(balloon, balloon_capable ? TRUE : FALSE);
    }
    DestroyWindow(window);
}

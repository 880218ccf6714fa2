// The gateway's notification icon, in this process: Shell_NotifyIconA,
// ShellExecuteA and TrackPopupMenu replaced by recorders, the outage rule
// driven with a clock handed in.
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>

#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gateway/gateway_limits.h"
#include "gateway/outage_notice.h"
#include "support/import_hook.h"
#include "support/shell_recorder.h"
#include "support/win32_test_support.h"

namespace {

const uint16_t kPort = 8421;
const DWORD kShowMs = 5000;

struct NotifyCall {
    DWORD message;
    UINT flags;
    HICON icon;
    std::string tip, title, text;
    DWORD info_flags;
};

std::mutex g_mutex;
std::vector<NotifyCall> g_calls;

BOOL WINAPI record_notify(DWORD message, PNOTIFYICONDATAA data) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.push_back(NotifyCall{message, data->uFlags, data->hIcon, data->szTip, data->szInfoTitle,
                                 data->szInfo, data->dwInfoFlags});
    return TRUE;
}

std::vector<NotifyCall> calls() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_calls;
}

bool calls_reach(size_t count, DWORD timeout_ms = kShowMs) {
    return mqtest::wait_until([count] { return calls().size() >= count; }, timeout_ms);
}

// The menu's items as it was opened, and the one the user picks.
std::vector<std::string> g_menu_items;
std::string g_pick;

BOOL WINAPI pick_from_menu(HMENU menu, UINT, int, int, int, HWND, const RECT *) {
    g_menu_items.clear();
    UINT picked = 0;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        g_menu_items.push_back(text);
        if (g_pick == text) picked = GetMenuItemID(menu, i);
    }
    return static_cast<BOOL>(picked);
}

ServedQuote answer(bool found) {
    ServedQuote served;
    served.found = found;
    served.source = "yahoo";
    served.outcome = found ? "quote" : "no quote: nasdaq: rate limited (http 429); yahoo: time-out";
    return served;
}

// Milliseconds of the day, as the gateway's clock text writes them.
std::string clock_of(uint64_t at) {
    char text[16];
    snprintf(text, sizeof(text), "%02u:%02u:%02u", unsigned(at / 3600000 % 24),
             unsigned(at / 60000 % 60), unsigned(at / 1000 % 60));
    return text;
}

class OutageNoticeTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(notify_.ok());
        ASSERT_TRUE(menu_.ok());
        ASSERT_TRUE(mqtest::start_shell_recording());
        std::lock_guard<std::mutex> lock(g_mutex);
        g_calls.clear();
    }

    OutageNoticeHooks hooks() {
        OutageNoticeHooks hooks;
        hooks.clock = [this] { return now_; };
        hooks.clock_text = clock_of;
        hooks.sources = [] {
            SourceStatus nasdaq;
            nasdaq.name = "nasdaq";
            nasdaq.state = SourceState::resting;
            nasdaq.last_error = "rate limited (http 429)";
            nasdaq.resting_until = "14:05:00";
            SourceStatus yahoo;
            yahoo.name = "yahoo";
            yahoo.state = SourceState::failing;
            yahoo.last_error = "time-out";
            yahoo.failing_since = "13:58:20";
            return std::vector<SourceStatus>{nasdaq, yahoo};
        };
        return hooks;
    }

    // A quote at 13:50, then requests without one at 13:58 and a minute on.
    void stop_quotes(OutageNotice &notice) {
        now_ = 13 * 3600000ull + 50 * 60000;
        notice.served(answer(true));
        now_ += 8 * 60000;
        notice.served(answer(false));
        now_ += 60000;
        notice.served(answer(false));
    }

    void click(OutageNotice &notice, UINT event) {
        SendMessageA(notice.window(), kNoticeIconMessage, 1, event);
    }

    uint64_t now_ = 0;
    mqtest::ScopedImport notify_{"shell32.dll", "Shell_NotifyIconA",
                                 reinterpret_cast<void *>(record_notify)};
    mqtest::ScopedImport menu_{"user32.dll", "TrackPopupMenu",
                               reinterpret_cast<void *>(pick_from_menu)};
};

const char kStoppedText[] =
    "nasdaq: rate limited (http 429), resting until 14:05; yahoo: "
    "time-out since 13:58. Morvane Quote keeps its last quotes. "
    "Click for details.";

TEST_F(OutageNoticeTest, OneWarningIconAndBalloonWhenQuotesStopNothingWhileTheyFlow) {
    OutageNotice notice(kPort, true, hooks());
    ASSERT_NE(notice.window(), nullptr);
    notice.served(answer(true));
    notice.served(answer(false));
    notice.served(answer(true));
    EXPECT_FALSE(calls_reach(1, 500));
    stop_quotes(notice);
    notice.served(answer(false));
    ASSERT_TRUE(calls_reach(2));
    EXPECT_FALSE(calls_reach(3, 500));
    std::vector<NotifyCall> shown = calls();
    EXPECT_EQ(shown[0].message, DWORD(NIM_ADD));
    EXPECT_EQ(shown[0].icon, LoadIconA(nullptr, IDI_WARNING));
    EXPECT_EQ(shown[0].tip, "Morvane Quote Gateway: live quotes stopped since 13:58");
    EXPECT_EQ(shown[1].message, DWORD(NIM_MODIFY));
    EXPECT_TRUE(shown[1].flags & NIF_INFO);
    EXPECT_EQ(shown[1].title, "Live quotes stopped");
    EXPECT_EQ(shown[1].text, kStoppedText);
    EXPECT_EQ(shown[1].info_flags, DWORD(NIIF_WARNING));
    EXPECT_EQ(notice.stopped_since(), "13:58:00");
}

TEST_F(OutageNoticeTest, OneBalloonWhenQuotesComeBackThenTheIconGoes) {
    OutageNotice notice(kPort, true, hooks());
    stop_quotes(notice);
    ASSERT_TRUE(calls_reach(2));
    notice.served(answer(true));
    notice.served(answer(true));
    ASSERT_TRUE(calls_reach(4, kShowMs + kBackBalloonMs));
    std::vector<NotifyCall> shown = calls();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[2].message, DWORD(NIM_MODIFY));
    EXPECT_EQ(shown[2].title, "Live quotes are back");
    EXPECT_EQ(shown[2].text, "Quotes come from yahoo.");
    EXPECT_EQ(shown[3].message, DWORD(NIM_DELETE));
    EXPECT_EQ(notice.stopped_since(), "");
}

TEST_F(OutageNoticeTest, NoNotifyShowsNothingButStillKnowsSinceWhen) {
    OutageNotice notice(kPort, false, hooks());
    stop_quotes(notice);
    EXPECT_EQ(notice.window(), nullptr);
    EXPECT_EQ(notice.stopped_since(), "13:58:00");
    EXPECT_FALSE(calls_reach(1, 500));
}

TEST_F(OutageNoticeTest, AClickOnTheIconOrBalloonOpensTheStatusPage) {
    OutageNotice notice(kPort, true, hooks());
    ASSERT_NE(notice.window(), nullptr);
    click(notice, WM_LBUTTONUP);
    click(notice, NIN_BALLOONUSERCLICK);
    ASSERT_EQ(mqtest::shell_calls().size(), 2u);
    for (const mqtest::ShellCall &call : mqtest::shell_calls()) {
        EXPECT_EQ(call.verb, "open");
        EXPECT_EQ(call.file, "http://127.0.0.1:8421/");
    }
}

TEST_F(OutageNoticeTest, HiddenUntilQuotesStopAgain) {
    OutageNotice notice(kPort, true, hooks());
    stop_quotes(notice);
    ASSERT_TRUE(calls_reach(2));
    g_pick = "Hide until quotes stop again";
    click(notice, WM_RBUTTONUP);
    EXPECT_EQ(g_menu_items,
              (std::vector<std::string>{"Open status page", "Hide until quotes stop again"}));
    ASSERT_TRUE(calls_reach(3));
    EXPECT_EQ(calls()[2].message, DWORD(NIM_DELETE));
    notice.served(answer(true));  // back, while hidden: nothing to say
    EXPECT_FALSE(calls_reach(4, 500));
    stop_quotes(notice);
    ASSERT_TRUE(calls_reach(5));
    EXPECT_EQ(calls()[3].message, DWORD(NIM_ADD));
    EXPECT_EQ(calls()[4].title, "Live quotes stopped");
}

}  // namespace

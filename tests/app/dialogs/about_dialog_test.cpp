// The dialog templates' help ids, centring, the About dialog and its link.
#include <windows.h>

#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "app/dialogs/about_dialog.h"
#include "app/dialogs/dialog_common.h"
#include "app/dialogs/link_control.h"
#include "app/dialogs/quote_dialogs.h"
#include "app/resources/resource.h"
#include "support/dialog_driver.h"
#include "support/dialog_template.h"
#include "support/shell_recorder.h"

// The window procedure make_link_control gives a link, defined in
// app/dialogs/link_control.cpp.
LRESULT CALLBACK link_control_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

namespace {

const char kAboutCaption[] = "About Morvane Quote";

using mqtest::control_text;
using mqtest::DialogScript;

struct TemplateHelpIds {
    int template_id;
    std::map<int, DWORD> ids;  // control id -> help context id; labels (-1) carry 0
};

TEST(DialogTemplates, EveryControlCarriesItsHelpContextId) {
    const TemplateHelpIds templates[] = {
        {IDD_ABOUT, {{1000, 0x806803E8}, {1001, 0x806803E9}, {1002, 0x806803EA}, {1, 0x80680001}}},
        {IDD_QUOTE_LIST, {{1017, 0x806E03F9}, {1021, 0x806E03FD}, {1, 0x80680001}}},
        {IDD_QUOTE_DETAIL,
         {{1023, 0x807003FF},
          {1024, 0x80700400},
          {1025, 0x80700401},
          {1026, 0x80700402},
          {1027, 0x80700403},
          {1029, 0x80700405},
          {1030, 0x80700406},
          {1, 0x80680001}}},
    };
    for (const TemplateHelpIds &expected : templates) {
        mqtest::DialogTemplate dialog;
        ASSERT_TRUE(mqtest::load_dialog_template(expected.template_id, &dialog))
            << expected.template_id;
        std::map<int, DWORD> found;
        for (const mqtest::TemplateItem &item : dialog.items) {
            if (item.id == -1) {
                EXPECT_EQ(item.help_id, 0u) << "a label of " << expected.template_id;
            } else {
                found[item.id] = item.help_id;
            }
        }
        EXPECT_EQ(found, expected.ids) << "template " << expected.template_id;
        EXPECT_EQ(dialog.help_id, 0u);
        EXPECT_EQ(dialog.style & DS_CONTEXTHELP, static_cast<DWORD>(DS_CONTEXTHELP));
        EXPECT_EQ(dialog.ex_style & WS_EX_CONTEXTHELP, static_cast<DWORD>(WS_EX_CONTEXTHELP));
    }
}

TEST(DialogTemplates, ShareOneFontAndTheAboutIconKeepsItsSize) {
    for (int id :
         {IDD_ABOUT, IDD_SETTINGS, IDD_SYMBOL, IDD_QUOTE_LIST, IDD_PROXY, IDD_QUOTE_DETAIL}) {
        mqtest::DialogTemplate dialog;
        ASSERT_TRUE(mqtest::load_dialog_template(id, &dialog)) << id;
        EXPECT_EQ(dialog.font, "MS Sans Serif") << id;
        EXPECT_EQ(dialog.point_size, 8) << id;
        EXPECT_EQ(dialog.charset, DEFAULT_CHARSET) << id;
    }
    mqtest::DialogTemplate about;
    ASSERT_TRUE(mqtest::load_dialog_template(IDD_ABOUT, &about));
    ASSERT_FALSE(about.items.empty());
    const mqtest::TemplateItem &icon = about.items[0];
    EXPECT_EQ(icon.style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
    EXPECT_EQ((std::vector<short>{icon.x, icon.y, icon.cx, icon.cy}),
              (std::vector<short>{7, 7, 20, 20}));
}

TEST(CenterOnScreen, HalvesScreenAndWindowSeparately) {
    if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 768) {
        GTEST_SKIP() << "needs the test session's 1024 x 768 screen";
    }
    const SIZE sizes[] = {{300, 200}, {301, 201}};
    for (const SIZE &size : sizes) {
        for (bool to_top : {false, true}) {
            HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 5, 7, size.cx, size.cy,
                                          nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            ASSERT_NE(window, nullptr);
            center_on_screen(window, to_top ? HWND_TOP : window);
            RECT rect;
            GetWindowRect(window, &rect);
            EXPECT_EQ(rect.left, 362) << size.cx;
            EXPECT_EQ(rect.top, 284) << size.cy;
            EXPECT_EQ(rect.right - rect.left, size.cx);
            EXPECT_EQ(rect.bottom - rect.top, size.cy);
            DestroyWindow(window);
        }
    }
}

DialogScript::Step on_about(std::function<void(HWND)> action) {
    return mqtest::on_dialog(kAboutCaption, std::move(action));
}

// Opens the About dialog, hands it to `check` and closes it.
void check_about(const std::function<void(HWND about)> &check) {
    DialogScript script;
    script.then(on_about([&check](HWND about) {
        check(about);
        mqtest::post_click(about, IDOK);
    }));
    script.run_dialog(about_dialog_run, nullptr, 2000);
}

HWND link_of(HWND about) { return GetDlgItem(about, IDC_ABOUT_LINK); }

TEST(AboutDialog, ShowsVersionAndCopyright) {
    check_about([](HWND about) {
        EXPECT_EQ(control_text(about, IDC_ABOUT_VERSION), "1.10");
        EXPECT_NE(control_text(about, IDC_ABOUT_COPYRIGHT).find("Copyright"), std::string::npos);
    });
}

TEST(AboutDialog, EndsWithOneOnOkEscAndClose) {
    struct Case {
        const char *how;
        UINT message;
        WPARAM wparam;
    } cases[] = {
        {"OK", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)},
        {"Esc", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
        {"close box", WM_CLOSE, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.how);
        DialogScript script;
        script.then(on_about([&c](HWND about) { PostMessageA(about, c.message, c.wparam, 0); }));
        EXPECT_EQ(script.run_dialog(about_dialog_run, nullptr, 1000), 1);
    }
}

TEST(AboutDialog, AnUnrelatedCommandLeavesItOpen) {
    DialogScript script;
    script.then(on_about(
        [](HWND about) { PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_VERSION, 0), 0); }));
    bool in_time = script.play([] { about_dialog_run(mqtest::dialog_owner(), nullptr); }, 1000);
    EXPECT_FALSE(in_time) << "an unrelated command closed the dialog";
}

// The pixels of a window's client area, read back from the screen.
struct Pixels {
    int width, height;
    std::vector<COLORREF> colours;
    COLORREF at(int x, int y) const { return colours[y * width + x]; }
};

Pixels read_pixels(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    Pixels pixels{rect.right, rect.bottom, {}};
    HDC dc = GetDC(window);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x) pixels.colours.push_back(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    return pixels;
}

// Longest run of blue pixels in any row: the underline spans the text.
int longest_blue_run(const Pixels &pixels) {
    int longest = 0;
    for (int y = 0; y < pixels.height; ++y) {
        int run = 0;
        for (int x = 0; x < pixels.width; ++x) {
            run = pixels.at(x, y) == RGB(0, 0, 255) ? run + 1 : 0;
            if (run > longest) longest = run;
        }
    }
    return longest;
}

TEST(AboutDialog, LinkIsTheLinkControlShowingTheAddress) {
    check_about([](HWND about) {
        EXPECT_EQ(GetWindowLongPtrA(link_of(about), GWLP_WNDPROC),
                  reinterpret_cast<LONG_PTR>(link_control_proc));
        EXPECT_EQ(control_text(about, IDC_ABOUT_LINK), "http://www.morvane.example/");
    });
}

// Wine hands what a window painted to the screen only after the paint
// returns to the message loop, so the pixels are read a tick later.
TEST(AboutDialog, LinkIsBlueAndUnderlinedOnTheDialogFace) {
    DialogScript script;
    script
        .then(on_about([](HWND about) {
            RedrawWindow(link_of(about), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        }))
        .then(on_about([](HWND about) {
            Pixels pixels = read_pixels(link_of(about));
            int blue = 0, face = 0;
            for (COLORREF colour : pixels.colours) {
                blue += colour == RGB(0, 0, 255);
                face += colour == GetSysColor(COLOR_BTNFACE);
            }
            EXPECT_GT(blue, 20);
            EXPECT_GT(face, 20);
            EXPECT_GT(longest_blue_run(pixels), 60) << "no underline across the text";
            mqtest::post_click(about, IDOK);
        }));
    script.run_dialog(about_dialog_run, nullptr, 2000);
}

TEST(AboutDialog, LinkShowsTheHandCursor) {
    HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK_HAND));
    ASSERT_NE(hand, nullptr);
    check_about([hand](HWND about) {
        HWND link = link_of(about);
        SetCursor(nullptr);
        SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), hand);
    });
}

TEST(AboutDialog, LinkClickOpensItsTextHidden) {
    ASSERT_TRUE(mqtest::start_shell_recording());
    check_about([](HWND about) {
        HWND link = link_of(about);
        SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        const auto &calls = mqtest::shell_calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].owner, link);
        EXPECT_EQ(calls[0].verb, "open");
        EXPECT_EQ(calls[0].file, "http://www.morvane.example/");
        EXPECT_FALSE(calls[0].has_parameters);
        EXPECT_FALSE(calls[0].has_directory);
        EXPECT_EQ(calls[0].show, SW_HIDE);
    });
}

}  // namespace

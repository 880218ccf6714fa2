#include "settings_dialogs/dialog_driver.h"

#include <string.h>

#include <vector>

#include <gtest/gtest.h>

namespace mqtest {
namespace {

constexpr UINT kTickMs = 25;

DialogScript *running_script = nullptr;

struct DialogQuery {
    const char *caption;
    int control_id;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_dialog(HWND window, LPARAM data) {
    DialogQuery *query = reinterpret_cast<DialogQuery *>(data);
    char class_name[16] = "";
    char caption[128] = "";
    GetClassNameA(window, class_name, sizeof(class_name));
    GetWindowTextA(window, caption, sizeof(caption));
    if (strcmp(class_name, "#32770") == 0 && IsWindowVisible(window) && strcmp(caption, query->caption) == 0 &&
        (query->control_id == 0 || GetDlgItem(window, query->control_id))) {
        query->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> dialogs_of_thread(const char *caption, int control_id) {
    DialogQuery query{caption, control_id, {}};
    EnumThreadWindows(GetCurrentThreadId(), collect_dialog, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

BOOL CALLBACK end_dialog(HWND window, LPARAM) {
    char class_name[16] = "";
    GetClassNameA(window, class_name, sizeof(class_name));
    if (strcmp(class_name, "#32770") == 0) {
        EndDialog(window, -2);
        PostMessageA(window, WM_NULL, 0, 0);
    }
    return TRUE;
}

}  // namespace

DialogScript &DialogScript::then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

void DialogScript::run(const std::function<void()> &body, DWORD timeout_ms) {
    DialogScript *outer = running_script;
    running_script = this;
    deadline_ = GetTickCount() + timeout_ms;
    timed_out_ = false;
    UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, tick);
    body();
    KillTimer(nullptr, timer);
    running_script = outer;
    EXPECT_FALSE(timed_out_) << "script timed out with " << steps_.size() << " step(s) left";
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " step(s) never ran";
}

void CALLBACK DialogScript::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (running_script) {
        running_script->step_once();
    }
}

void DialogScript::step_once() {
    if (busy_) {
        return;
    }
    busy_ = true;
    if (static_cast<LONG>(GetTickCount() - deadline_) > 0 && !timed_out_) {
        timed_out_ = true;
        end_all_dialogs();
    } else if (!timed_out_ && !steps_.empty() && steps_.front()()) {
        steps_.pop_front();
    }
    busy_ = false;
}

void DialogScript::end_all_dialogs() {
    EnumThreadWindows(GetCurrentThreadId(), end_dialog, 0);
}

HWND find_dialog(const char *caption, int control_id) {
    std::vector<HWND> found = dialogs_of_thread(caption, control_id);
    return found.empty() ? nullptr : found.front();
}

int count_dialogs(const char *caption, int control_id) {
    return static_cast<int>(dialogs_of_thread(caption, control_id).size());
}

void post_click(HWND dialog, int control_id) {
    PostMessageA(GetDlgItem(dialog, control_id), BM_CLICK, 0, 0);
}

void select_line(HWND dialog, int list_id, int index) {
    HWND list = GetDlgItem(dialog, list_id);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(list_id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void post_double_click(HWND dialog, int list_id) {
    HWND list = GetDlgItem(dialog, list_id);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(list_id, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

std::string control_text(HWND dialog, int control_id) {
    char text[512] = "";
    GetDlgItemTextA(dialog, control_id, text, sizeof(text));
    return text;
}

std::string list_line(HWND dialog, int list_id, int index) {
    HWND list = GetDlgItem(dialog, list_id);
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) {
        return "<no line>";
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

int list_count(HWND dialog, int list_id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, list_id, LB_GETCOUNT, 0, 0));
}

}  // namespace mqtest

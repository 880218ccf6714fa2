#include "support/dialog_driver.h"

#include <string.h>

#include <gtest/gtest.h>

namespace mqtest {
namespace {

constexpr UINT kTickMs = 20;

// The controls of a message box: its text and its icon.
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440;

DialogScript *running_script = nullptr;

bool is_dialog(HWND window) {
    char class_name[16] = "";
    GetClassNameA(window, class_name, sizeof(class_name));
    return strcmp(class_name, "#32770") == 0;
}

typedef std::function<bool(HWND)> DialogFilter;

BOOL CALLBACK collect_dialog(HWND window, LPARAM data) {
    auto *query = reinterpret_cast<std::pair<const DialogFilter *, std::vector<HWND>> *>(data);
    if (is_dialog(window) && (*query->first)(window)) query->second.push_back(window);
    return TRUE;
}

// The dialogs of this thread that `filter` accepts, in z-order.
std::vector<HWND> thread_dialogs(const DialogFilter &filter) {
    std::pair<const DialogFilter *, std::vector<HWND>> query(&filter, {});
    EnumThreadWindows(GetCurrentThreadId(), collect_dialog, reinterpret_cast<LPARAM>(&query));
    return query.second;
}

std::vector<HWND> dialogs_with_caption(const char *caption, int control_id) {
    return thread_dialogs([caption, control_id](HWND window) {
        char text[128] = "";
        GetWindowTextA(window, text, sizeof(text));
        return IsWindowVisible(window) && strcmp(text, caption) == 0 &&
               (control_id == 0 || GetDlgItem(window, control_id) != nullptr);
    });
}

// The WM_NULL wakes a loop that is waiting for a message, so it sees the end.
void end_all_dialogs() {
    for (HWND dialog : thread_dialogs([](HWND) { return true; })) {
        EndDialog(dialog, -2);
        PostMessageA(dialog, WM_NULL, 0, 0);
    }
}

// A modal dialog shows itself only once its loop first runs idle, and an
// ended one stays, hidden, until its loop unwinds.
bool dialogs_settled() {
    bool shown = false, hidden = false;
    for (HWND dialog : thread_dialogs([](HWND) { return true; })) {
        (IsWindowVisible(dialog) ? shown : hidden) = true;
    }
    return shown && !hidden;
}

}  // namespace

DialogScript &DialogScript::then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

bool DialogScript::play(const std::function<void()> &body, DWORD timeout_ms) {
    DialogScript *outer = running_script;
    running_script = this;
    deadline_ = GetTickCount() + timeout_ms;
    timed_out_ = false;
    UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, tick);
    body();
    KillTimer(nullptr, timer);
    running_script = outer;
    return !timed_out_;
}

void DialogScript::run(const std::function<void()> &body, DWORD timeout_ms) {
    EXPECT_TRUE(play(body, timeout_ms))
        << "script timed out with " << steps_.size() << " step(s) left";
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " step(s) never ran";
}

INT_PTR DialogScript::run_dialog(const DialogLauncher &launch, DWORD timeout_ms) {
    INT_PTR result = -1;
    run([&] { result = launch(dialog_owner()); }, timeout_ms);
    return result;
}

void CALLBACK DialogScript::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (running_script) running_script->step_once();
}

// The watchdog also fires in a loop nested inside a step (a fault under
// test may open one); steps never run there.
void DialogScript::step_once() {
    if (static_cast<LONG>(GetTickCount() - deadline_) > 0) {
        timed_out_ = true;
        end_all_dialogs();
        return;
    }
    if (timed_out_ || busy_ || steps_.empty() || !dialogs_settled()) return;
    busy_ = true;
    bool done = steps_.front()();
    busy_ = false;
    if (done) steps_.pop_front();
}

HWND dialog_owner() {
    static HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
    return owner;
}

DialogScript::Step on_dialog(const char *caption, std::function<void(HWND)> action) {
    return on_dialog(caption, 0, std::move(action));
}

DialogScript::Step on_dialog(const char *caption, int control_id,
                             std::function<void(HWND)> action) {
    return [caption, control_id, action] {
        HWND dialog = find_dialog(caption, control_id);
        if (dialog) action(dialog);
        return dialog != nullptr;
    };
}

DialogScript::Step act(std::function<void()> action) {
    return [action] {
        action();
        return true;
    };
}

DialogScript::Step answer_message_box(const char *caption, std::function<void(HWND box)> check) {
    return on_dialog(caption, kMessageBoxTextId, [check](HWND box) {
        check(box);
        post_click(box, IDOK);
    });
}

DialogScript::Step wait_until_message_box_closed(const char *caption) {
    return [caption] { return find_dialog(caption, kMessageBoxTextId) == nullptr; };
}

std::string message_box_text(HWND box) { return control_text(box, kMessageBoxTextId); }

HICON message_box_icon(HWND box) {
    return reinterpret_cast<HICON>(SendDlgItemMessageA(box, kMessageBoxIconId, STM_GETICON, 0, 0));
}

HWND find_dialog(const char *caption, int control_id) {
    std::vector<HWND> found = dialogs_with_caption(caption, control_id);
    return found.empty() ? nullptr : found.front();
}

int count_dialogs(const char *caption, int control_id) {
    return static_cast<int>(dialogs_with_caption(caption, control_id).size());
}

void post_click(HWND dialog, int control_id) {
    PostMessageA(GetDlgItem(dialog, control_id), BM_CLICK, 0, 0);
}

void post_command(HWND dialog, int control_id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(control_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, control_id)));
}

void send_command(HWND dialog, int control_id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(control_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, control_id)));
}

void select_line(HWND dialog, int list_id, int index) {
    HWND list = GetDlgItem(dialog, list_id);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list_id, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

void post_double_click(HWND dialog, int list_id) {
    HWND list = GetDlgItem(dialog, list_id);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(list_id, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
}

bool control_enabled(HWND dialog, int control_id) {
    return IsWindowEnabled(GetDlgItem(dialog, control_id)) != FALSE;
}

std::string control_text(HWND dialog, int control_id) {
    char text[1024] = "";
    GetDlgItemTextA(dialog, control_id, text, sizeof(text));
    return text;
}

std::string list_line(HWND dialog, int list_id, int index) {
    HWND list = GetDlgItem(dialog, list_id);
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return "<no line>";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

int list_count(HWND dialog, int list_id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, list_id, LB_GETCOUNT, 0, 0));
}

std::vector<std::string> list_lines(HWND dialog, int list_id) {
    std::vector<std::string> lines;
    int count = list_count(dialog, list_id);
    for (int index = 0; index < count; ++index) lines.push_back(list_line(dialog, list_id, index));
    return lines;
}

}  // namespace mqtest

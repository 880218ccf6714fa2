#include "dialogs/dialog_driver.h"

namespace mqtest {

namespace {

const UINT kTickMs = 20;

struct Script {
    std::vector<DialogStep> steps;
    size_t next = 0;
    DWORD deadline = 0;
    bool timed_out = false;
};

Script *running_script = nullptr;

bool is_dialog(HWND window) {
    char class_name[16] = "";
    GetClassNameA(window, class_name, sizeof(class_name));
    return lstrcmpA(class_name, "#32770") == 0;
}

BOOL CALLBACK end_dialog_window(HWND window, LPARAM) {
    if (is_dialog(window)) EndDialog(window, -1);
    return TRUE;
}

struct DialogCount {
    int shown;
    int hidden;
};

BOOL CALLBACK count_dialog(HWND window, LPARAM lparam) {
    DialogCount *count = reinterpret_cast<DialogCount *>(lparam);
    if (is_dialog(window)) ++(IsWindowVisible(window) ? count->shown : count->hidden);
    return TRUE;
}

// A modal dialog shows itself only once its loop first runs idle; steps wait
// for that, and for a dialog that has ended to go away.
bool dialogs_settled() {
    DialogCount count = {0, 0};
    EnumThreadWindows(GetCurrentThreadId(), count_dialog, reinterpret_cast<LPARAM>(&count));
    return count.shown > 0 && count.hidden == 0;
}

void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    Script *script = running_script;
    if (script == nullptr) return;
    if (static_cast<LONG>(GetTickCount() - script->deadline) > 0) {
        script->timed_out = true;
        EnumThreadWindows(GetCurrentThreadId(), end_dialog_window, 0);
        return;
    }
    // Advanced before the step runs: a step may open a nested modal loop
    // whose ticks carry on with the following steps.
    if (script->next < script->steps.size() && dialogs_settled()) script->steps[script->next++]();
}

struct FindByProc {
    DLGPROC proc;
    HWND found;
};

BOOL CALLBACK match_proc(HWND window, LPARAM lparam) {
    FindByProc *find = reinterpret_cast<FindByProc *>(lparam);
    if (reinterpret_cast<DLGPROC>(GetWindowLongPtrA(window, DWLP_DLGPROC)) == find->proc) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

DialogRun run_dialog(int template_id, DLGPROC proc, LPARAM parameter, std::vector<DialogStep> steps,
                     DWORD timeout_ms) {
    Script script;
    script.steps = std::move(steps);
    script.deadline = GetTickCount() + timeout_ms;
    Script *outer = running_script;
    running_script = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, tick);
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(template_id), nullptr,
                                     proc, parameter);
    KillTimer(nullptr, timer);
    running_script = outer;
    return DialogRun{result, script.timed_out};
}

HWND find_dialog(DLGPROC proc) {
    FindByProc find = {proc, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), match_proc, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::string control_text(HWND dialog, int id) {
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

void post_click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace mqtest

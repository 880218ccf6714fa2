#include "program_process.h"

#include <psapi.h>

#include <stdio.h>
#include <string.h>

#include "app/tray_messages.h"
#include "support/win32_test_support.h"

namespace apptest {

namespace {

const DWORD kExitTimeoutMs = 20000;

struct WindowSearch {
    DWORD process_id;
    const char *class_name;
    const char *caption;
    HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM data) {
    WindowSearch *search = reinterpret_cast<WindowSearch *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char class_name[64] = "";
    char caption[128] = "";
    GetClassNameA(window, class_name, sizeof(class_name));
    GetWindowTextA(window, caption, sizeof(caption));
    bool shown = IsWindowVisible(window) || strcmp(class_name, TRAY_WINDOW_CLASS) == 0;
    if (owner == search->process_id && shown && strcmp(class_name, search->class_name) == 0 &&
        (search->caption == nullptr || strcmp(caption, search->caption) == 0)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

ProgramProcess::ProgramProcess(const std::string &exe, const std::string &current_dir,
                               const std::string &arguments) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    std::string command = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    started_ = CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                              current_dir.c_str(), &startup, &info_) != 0;
}

ProgramProcess::~ProgramProcess() {
    if (!started_) return;
    terminate();
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

HWND ProgramProcess::window(const char *class_name, const char *caption) const {
    WindowSearch search = {info_.dwProcessId, class_name, caption, nullptr};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramProcess::wait_for_window(const char *class_name, DWORD timeout_ms,
                                     const char *caption) const {
    HWND found = nullptr;
    mqtest::wait_until([&] { return (found = window(class_name, caption)) != nullptr; },
                       timeout_ms);
    return found;
}

DWORD ProgramProcess::wait_for_exit() const {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info_.hProcess, kExitTimeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(info_.hProcess, &code);
    }
    return code;
}

void ProgramProcess::terminate() const {
    if (running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, kExitTimeoutMs);
    }
}

size_t ProgramProcess::peak_memory_bytes() const {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!started_ || !GetProcessMemoryInfo(info_.hProcess, &counters, sizeof(counters))) return 0;
    return counters.PeakPagefileUsage;
}

std::string window_text(HWND window) {
    char text[256] = "";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    return text;
}

}  // namespace apptest

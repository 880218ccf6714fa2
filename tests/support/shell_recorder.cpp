#include "support/shell_recorder.h"

#include "support/import_hook.h"

namespace mqtest {

namespace {

std::vector<ShellCall> recorded;

std::string text_or_empty(LPCSTR text) { return text != nullptr ? text : ""; }

HINSTANCE WINAPI record_shell_execute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                      LPCSTR directory, INT show) {
    recorded.push_back(ShellCall{owner, text_or_empty(verb), text_or_empty(file),
                                 parameters != nullptr, directory != nullptr, show});
    return reinterpret_cast<HINSTANCE>(33);  // above 32: success
}

}  // namespace

bool start_shell_recording() {
    static ScopedImport recording("shell32.dll", "ShellExecuteA",
                                  reinterpret_cast<void *>(record_shell_execute));
    recorded.clear();
    return recording.ok();
}

const std::vector<ShellCall> &shell_calls() { return recorded; }

}  // namespace mqtest

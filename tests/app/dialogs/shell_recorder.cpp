#include "app/dialogs/shell_recorder.h"

#include "app/dialogs/import_hook.h"

namespace mqtest {

namespace {

std::vector<ShellCall> recorded;
bool installed = false;

std::string text_or_empty(LPCSTR text) { return text != nullptr ? text : ""; }

HINSTANCE WINAPI record_shell_execute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                      LPCSTR directory, INT show) {
    recorded.push_back(ShellCall{owner, text_or_empty(verb), text_or_empty(file), parameters != nullptr,
                                 directory != nullptr, show});
    return reinterpret_cast<HINSTANCE>(33);  // above 32: success
}

}  // namespace

bool start_shell_recording() {
    if (!installed) {
        installed = replace_import("shell32.dll", "ShellExecuteA",
                                   reinterpret_cast<void *>(record_shell_execute)) != nullptr;
    }
    recorded.clear();
    return installed;
}

const std::vector<ShellCall> &shell_calls() { return recorded; }

}  // namespace mqtest

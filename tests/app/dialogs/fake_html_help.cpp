#include "app/dialogs/fake_html_help.h"

#include <string.h>

namespace {

FakeHelpCall last_call;

}  // namespace

extern "C" __declspec(dllexport) const FakeHelpCall *fake_html_help_calls(void) {
    return &last_call;
}

extern "C" HWND WINAPI HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
    ++last_call.count;
    last_call.caller = caller;
    lstrcpynA(last_call.file, file != nullptr ? file : "", sizeof(last_call.file));
    last_call.command = command;
    memset(last_call.ids, 0xCC, sizeof(last_call.ids));
    if (command == 17 && data != 0)
        memcpy(last_call.ids, reinterpret_cast<const DWORD *>(data), sizeof(last_call.ids));
    return FAKE_HTML_HELP_RESULT;
}

// Running, centring and context help, shared by every dialog of the program.
#include "app/dialogs/dialog_common.h"

#include "app/app_state.h"
#include "app/dialogs/html_help.h"
#include "app/settings/quote_record.h"
#include "plugin/fixed_text.h"

namespace {

void show_context_help(HWND dialog, const HELPINFO *info) {
    if (info->iCtrlId == -1) return;
    // Pairs of control id and context id, ended by a zero.
    DWORD ids[3] = {static_cast<DWORD>(info->iCtrlId), static_cast<DWORD>(info->dwContextId), 0};
    HtmlHelpA(GetDlgItem(dialog, info->iCtrlId), HELP_FILE_NAME, HH_TP_HELP_WM_HELP_COMMAND,
              reinterpret_cast<DWORD_PTR>(ids));
}

}  // namespace

INT_PTR dialog_run(int template_id, HWND owner, DLGPROC procedure, void *data) {
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    return DialogBoxParamA(module, MAKEINTRESOURCEA(template_id), owner, procedure,
                           reinterpret_cast<LPARAM>(data));
}

void set_dialog_data(HWND dialog, void *data) {
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
}

void show_field(HWND dialog, int control, const char *field, size_t field_size) {
    static_assert(static_cast<int>(APP_PROXY_SIZE) >= static_cast<int>(QUOTE_DESCRIPTION_SIZE),
                  "the longest field shown");
    char text[APP_PROXY_SIZE];
    fixed_text_copy(text, sizeof(text), field, field_size - 1);
    SetDlgItemTextA(dialog, control, text);
}

void center_on_screen(HWND dialog, HWND insert_after) {
    RECT rect;
    if (!GetWindowRect(dialog, &rect)) return;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    // Halved separately, so 301 x 201 lands where 300 x 200 does.
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    UINT flags = insert_after == dialog ? SWP_NOZORDER : 0;
    SetWindowPos(dialog, insert_after, x, y, width, height, flags);
}

INT_PTR dialog_default(HWND dialog, UINT message, LPARAM lparam) {
    if (message != WM_HELP) return FALSE;
    show_context_help(dialog, reinterpret_cast<const HELPINFO *>(lparam));
    return TRUE;
}

void close_on_ok_or_cancel(HWND dialog, WORD control) {
    if (control == IDOK || control == IDCANCEL) EndDialog(dialog, 1);
}

void accept_or_cancel(HWND dialog, WORD control, void (*accept)(HWND dialog)) {
    if (control == IDOK) accept(dialog);
    if (control == IDCANCEL) EndDialog(dialog, 0);
}

// Centring and context help, shared by every dialog of the program.
#include "app/dialogs/dialog_common.h"

#include "app/dialogs/html_help.h"

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

void show_context_help(HWND dialog, const HELPINFO *info) {
    if (info->iCtrlId == -1) return;
    // Pairs of control id and context id, ended by a zero.
    DWORD ids[3] = {static_cast<DWORD>(info->iCtrlId), static_cast<DWORD>(info->dwContextId), 0};
    HtmlHelpA(GetDlgItem(dialog, info->iCtrlId), HELP_FILE_NAME, HH_TP_HELP_WM_HELP_COMMAND,
              reinterpret_cast<DWORD_PTR>(ids));
}

#include "app/dialogs/about_dialog.h"

#include "app/dialogs/dialog_common.h"
#include "app/resources/resource.h"
#include "mq_version.h"

namespace {

const char kVersionText[] = MQ_VERSION_TEXT;
const char kCopyrightText[] = "Copyright (C) 2026 Morvane Software";

INT_PTR init_about(HWND dialog) {
    center_on_screen(dialog, dialog);
    make_link_control(GetDlgItem(dialog, IDC_ABOUT_LINK));
    SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, kVersionText);
    SetDlgItemTextA(dialog, IDC_ABOUT_COPYRIGHT, kCopyrightText);
    return FALSE;
}

INT_PTR about_command(HWND dialog, WPARAM wparam) {
    WORD id = LOWORD(wparam);
    if (id == IDOK || id == IDCANCEL) EndDialog(dialog, 1);
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK about_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return init_about(dialog);
    case WM_COMMAND:
        return about_command(dialog, wparam);
    case WM_HELP:
        show_context_help(dialog, reinterpret_cast<const HELPINFO *>(lparam));
        return TRUE;
    default:
        return FALSE;
    }
}

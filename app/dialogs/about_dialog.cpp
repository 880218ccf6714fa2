#include "app/dialogs/about_dialog.h"

#include "app/dialogs/dialog_common.h"
#include "app/dialogs/link_control.h"
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

}  // namespace

static INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return init_about(dialog);
    case WM_COMMAND:
        close_on_ok_or_cancel(dialog, LOWORD(wparam));
        return FALSE;
    default:
        return dialog_default(dialog, message, lparam);
    }
}

// The state goes along as the creation parameter, though the dialog shows
// nothing of it.
INT_PTR about_dialog_run(HWND owner, AppState *state) {
    return dialog_run(IDD_ABOUT, owner, about_dialog_proc, state);
}

#include "app/dialogs/about_dialog.h"

#include "app/dialogs/dialog_common.h"
#include "app/dialogs/link_control.h"
#include "app/resources/resource.h"
#include "mq_version.h"

namespace {

const char kVersionText[] = MQ_VERSION_TEXT;
const char kCopyrightText[] = "Copyright (C) 2026 Morvane Software";

// The state goes along as the creation parameter, though the dialog shows
// nothing of it.
INT_PTR init_about(HWND dialog, AppState *) {
    center_on_screen(dialog, dialog);
    make_link_control(GetDlgItem(dialog, IDC_ABOUT_LINK));
    SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, kVersionText);
    SetDlgItemTextA(dialog, IDC_ABOUT_COPYRIGHT, kCopyrightText);
    return FALSE;
}

INT_PTR about_command(HWND dialog, WPARAM wparam) {
    close_on_ok_or_cancel(dialog, LOWORD(wparam));
    return FALSE;
}

}  // namespace

INT_PTR about_dialog_run(HWND owner, AppState *state) {
    return dialog_run(IDD_ABOUT, owner, dialog_procedure<AppState, init_about, about_command>,
                      state);
}

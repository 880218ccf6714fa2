#include "app/dialogs/proxy_dialog.h"

#include <stdint.h>
#include <stdio.h>

#include "app/dialogs/dialog_common.h"
#include "app/resources/resource.h"
#include "plugin/decimal_text.h"

namespace {

// GetDlgItemTextA counts the terminator in its maximum.
constexpr int kPortReadCount = 11;
constexpr int kPortTextSize = 11;  // "%lu" of a 32-bit value: 10 digits

INT_PTR init_proxy(HWND dialog, AppState *state) {
    set_dialog_data(dialog, state);
    show_field(dialog, IDC_PROXY_ADDRESS, state->proxy, sizeof(state->proxy));
    char port[kPortTextSize];
    snprintf(port, sizeof(port), "%lu", static_cast<unsigned long>(state->proxy_port));
    SetDlgItemTextA(dialog, IDC_PROXY_PORT, port);
    return FALSE;
}

void accept_proxy(HWND dialog) {
    AppState *state = dialog_data<AppState>(dialog);
    GetDlgItemTextA(dialog, IDC_PROXY_ADDRESS, state->proxy, sizeof(state->proxy));
    char port[kPortReadCount] = "";
    GetDlgItemTextA(dialog, IDC_PROXY_PORT, port, kPortReadCount);
    // A typed -1 is kept as 4294967295: the port is stored with wrap-around.
    state->proxy_port = static_cast<uint32_t>(decimal_to_int32(port));
    EndDialog(dialog, 1);
}

}  // namespace

static INT_PTR CALLBACK proxy_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return init_proxy(dialog, reinterpret_cast<AppState *>(lparam));
    case WM_COMMAND:
        accept_or_cancel(dialog, LOWORD(wparam), accept_proxy);
        return FALSE;
    default:
        return dialog_default(dialog, message, lparam);
    }
}

INT_PTR proxy_dialog_run(HWND owner, AppState *state) {
    return dialog_run(IDD_PROXY, owner, proxy_dialog_proc, state);
}

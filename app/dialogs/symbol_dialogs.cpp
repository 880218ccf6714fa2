#include "app/dialogs/symbol_dialogs.h"

#include <stdint.h>
#include <stdio.h>

#include "app/app_state.h"
#include "app/dialogs/dialog_common.h"
#include "app/dialogs/settings_formats.h"
#include "app/resources/resource.h"
#include "app/settings/quote_record.h"
#include "plugin/decimal_text.h"

namespace {

// GetDlgItemTextA counts the terminator in its maximum.
constexpr int kSymbolReadCount = SYMBOL_TEXT_MAX + 1;
constexpr int kDescriptionReadCount = DESCRIPTION_TEXT_MAX + 1;
constexpr int kPortReadCount = 11;
constexpr int kPortTextSize = 11;  // "%lu" of a 32-bit value: 10 digits

template <typename Data>
Data *dialog_data(HWND dialog) {
    return reinterpret_cast<Data *>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

// Shows a record field even when it lacks its terminator.
void show_field(HWND dialog, int control, const char *field, size_t field_size) {
    static_assert(static_cast<int>(APP_PROXY_SIZE) >= static_cast<int>(QUOTE_DESCRIPTION_SIZE), "the longest field shown");
    char text[APP_PROXY_SIZE];
    snprintf(text, sizeof(text), "%.*s", static_cast<int>(field_size - 1), field);
    SetDlgItemTextA(dialog, control, text);
}

void init_symbol_dialog(HWND dialog, QuoteRecord *record) {
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    show_field(dialog, IDC_SYMBOL_SYMBOL, record->symbol, sizeof(record->symbol));
    show_field(dialog, IDC_SYMBOL_DESCRIPTION, record->description, sizeof(record->description));
    SetFocus(GetDlgItem(dialog, IDC_SYMBOL_SYMBOL));
}

// The texts are checked before the record is written, so a refused OK
// followed by Cancel leaves an edited record exactly as it was.
void accept_symbol(HWND dialog) {
    char symbol[kSymbolReadCount] = "";
    char description[kDescriptionReadCount] = "";
    GetDlgItemTextA(dialog, IDC_SYMBOL_SYMBOL, symbol, kSymbolReadCount);
    GetDlgItemTextA(dialog, IDC_SYMBOL_DESCRIPTION, description, kDescriptionReadCount);
    if (!accept_symbol_texts(dialog_data<QuoteRecord>(dialog), symbol, description)) {
        MessageBoxA(dialog, "Please enter a valid symbol", APP_PRODUCT_NAME, MB_ICONERROR | MB_OK);
        return;
    }
    EndDialog(dialog, 1);
}

void symbol_command(HWND dialog, WORD control) {
    switch (control) {
    case IDOK:
        accept_symbol(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, 0);
        break;
    }
}

void init_proxy_dialog(HWND dialog, AppState *state) {
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    show_field(dialog, IDC_PROXY_ADDRESS, state->proxy, sizeof(state->proxy));
    char port[kPortTextSize];
    snprintf(port, sizeof(port), "%lu", static_cast<unsigned long>(state->proxy_port));
    SetDlgItemTextA(dialog, IDC_PROXY_PORT, port);
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

void proxy_command(HWND dialog, WORD control) {
    switch (control) {
    case IDOK:
        accept_proxy(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, 0);
        break;
    }
}

}  // namespace

INT_PTR CALLBACK symbol_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        init_symbol_dialog(dialog, reinterpret_cast<QuoteRecord *>(lparam));
        return FALSE;
    case WM_COMMAND:
        symbol_command(dialog, LOWORD(wparam));
        return FALSE;
    case WM_HELP:
        show_context_help(dialog, reinterpret_cast<const HELPINFO *>(lparam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK proxy_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        init_proxy_dialog(dialog, reinterpret_cast<AppState *>(lparam));
        return FALSE;
    case WM_COMMAND:
        proxy_command(dialog, LOWORD(wparam));
        return FALSE;
    case WM_HELP:
        show_context_help(dialog, reinterpret_cast<const HELPINFO *>(lparam));
        return TRUE;
    }
    return FALSE;
}

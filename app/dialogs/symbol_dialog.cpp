#include "app/dialogs/symbol_dialog.h"

#include "app/app_state.h"
#include "app/dialogs/dialog_common.h"
#include "app/dialogs/settings_formats.h"
#include "app/resources/resource.h"

namespace {

// GetDlgItemTextA counts the terminator in its maximum.
constexpr int kSymbolReadCount = SYMBOL_TEXT_MAX + 1;
constexpr int kDescriptionReadCount = DESCRIPTION_TEXT_MAX + 1;

INT_PTR init_symbol(HWND dialog, QuoteRecord *record) {
    set_dialog_data(dialog, record);
    show_field(dialog, IDC_SYMBOL_SYMBOL, record->symbol, sizeof(record->symbol));
    show_field(dialog, IDC_SYMBOL_DESCRIPTION, record->description, sizeof(record->description));
    SetFocus(GetDlgItem(dialog, IDC_SYMBOL_SYMBOL));
    return FALSE;
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

}  // namespace

static INT_PTR CALLBACK symbol_dialog_proc(HWND dialog, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return init_symbol(dialog, reinterpret_cast<QuoteRecord *>(lparam));
    case WM_COMMAND:
        accept_or_cancel(dialog, LOWORD(wparam), accept_symbol);
        return FALSE;
    default:
        return dialog_default(dialog, message, lparam);
    }
}

INT_PTR symbol_dialog_run(HWND owner, QuoteRecord *record) {
    return dialog_run(IDD_SYMBOL, owner, symbol_dialog_proc, record);
}

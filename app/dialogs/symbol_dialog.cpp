#include "app/dialogs/symbol_dialog.h"

#include "app/app_state.h"
#include "app/dialogs/dialog_common.h"
#include "app/dialogs/settings_formats.h"
#include "app/resources/resource.h"

namespace {

// GetDlgItemTextA counts the terminator in its maximum.
constexpr int kSymbolReadCount = SYMBOL_TEXT_MAX + 1;
constexpr int kDescriptionReadCount = DESCRIPTION_TEXT_MAX + 1;

INT_PTR init_symbol_dialog(HWND dialog, QuoteRecord *record) {
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

INT_PTR symbol_dialog_run(HWND owner, QuoteRecord *record) {
    DLGPROC procedure =
        dialog_procedure<QuoteRecord, init_symbol_dialog, accept_or_cancel<accept_symbol>>;
    return dialog_run(IDD_SYMBOL, owner, procedure, record);
}

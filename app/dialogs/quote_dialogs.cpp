// The quote list and the quote detail. Both show what the records held when
// they opened; only "&Web Site" reads its record again, at the click.
#include "app/dialogs/quote_dialogs.h"

#include <shellapi.h>

#include "app/app_state.h"
#include "app/dialogs/dialog_common.h"
#include "app/dialogs/quote_formats.h"
#include "app/resources/resource.h"
#include "plugin/fixed_text.h"

namespace {

// Each quote dialog marks itself with this property, so that closing them
// all needs no list of their procedures.
const char kQuoteDialogMark[] = "MorvaneQuoteDialog";

void mark_quote_dialog(HWND dialog) {
    SetPropA(dialog, kQuoteDialogMark, reinterpret_cast<HANDLE>(1));
}

// Windows asks for every property to be removed before its window is gone.
INT_PTR unmark_quote_dialog(HWND dialog) {
    RemovePropA(dialog, kQuoteDialogMark);
    return FALSE;
}

// The data pointer of a quote dialog is its AppState (list) or QuoteRecord
// (detail). Dropped once the symbol list it points into has been replaced,
// which turns every command off; then the dialog closes.
INT_PTR forget_symbols(HWND dialog) {
    set_dialog_data(dialog, nullptr);
    EndDialog(dialog, 1);
    return TRUE;
}

// --- Quote list ---

void update_detail_button(HWND dialog) {
    LRESULT selected = SendDlgItemMessageA(dialog, IDC_QUOTES_LIST, LB_GETCURSEL, 0, 0);
    EnableWindow(GetDlgItem(dialog, IDC_QUOTES_DETAIL), selected != LB_ERR);
}

void add_quote_line(HWND list_box, const QuoteRecord *record, int32_t position) {
    char line[QUOTE_LINE_TEXT_SIZE];
    format_quote_line(line, sizeof(line), record);
    LRESULT index = SendMessageA(list_box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    if (index >= 0) SendMessageA(list_box, LB_SETITEMDATA, static_cast<WPARAM>(index), position);
}

void fill_quote_lines(HWND dialog, SymbolList *symbols) {
    HWND list_box = GetDlgItem(dialog, IDC_QUOTES_LIST);
    SymbolWalk walk = symbol_list_walk(symbols);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        if (quote_record_is_listed(record)) add_quote_line(list_box, record, position);
    }
}

INT_PTR init_quote_list(HWND dialog, AppState *state) {
    mark_quote_dialog(dialog);
    set_dialog_data(dialog, state);
    center_on_screen(dialog, HWND_TOP);
    SetActiveWindow(dialog);
    EnableWindow(GetDlgItem(dialog, IDC_QUOTES_DETAIL), FALSE);
    fill_quote_lines(dialog, state->symbols);
    return TRUE;
}

// The record of the selected line, or null.
QuoteRecord *selected_record(HWND dialog, AppState *state) {
    LRESULT index = SendDlgItemMessageA(dialog, IDC_QUOTES_LIST, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) return nullptr;
    LRESULT position = SendDlgItemMessageA(dialog, IDC_QUOTES_LIST, LB_GETITEMDATA, index, 0);
    QuoteRecord *record = nullptr;
    if (!symbol_list_get(state->symbols, &record, static_cast<int32_t>(position))) return nullptr;
    return record;
}

void show_selected_detail(HWND dialog) {
    AppState *state = dialog_data<AppState>(dialog);
    QuoteRecord *record = state != nullptr ? selected_record(dialog, state) : nullptr;
    if (record != nullptr) {
        quote_detail_run(dialog, record);
    }
    update_detail_button(dialog);
}

void quote_list_notification(HWND dialog, WORD code) {
    if (code == LBN_SELCHANGE) update_detail_button(dialog);
    if (code == LBN_DBLCLK)
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_QUOTES_DETAIL, BN_CLICKED), 0);
}

void quote_list_command(HWND dialog, WORD control, WORD notification) {
    if (control == IDC_QUOTES_LIST) quote_list_notification(dialog, notification);
    if (control == IDC_QUOTES_DETAIL) show_selected_detail(dialog);
    close_on_ok_or_cancel(dialog, control);
}

// --- Quote detail ---

void set_price_text(HWND dialog, int control, float price) {
    char text[QUOTE_PRICE_TEXT_SIZE];
    format_quote_price(text, sizeof(text), price);
    SetDlgItemTextA(dialog, control, text);
}

void fill_detail_fields(HWND dialog, const QuoteRecord *record) {
    char name[QUOTE_NAME_TEXT_SIZE];
    format_quote_name(name, sizeof(name), record);
    SetDlgItemTextA(dialog, IDC_DETAIL_NAME, name);
    set_price_text(dialog, IDC_DETAIL_LAST_SALE, record->last_sale);
    set_price_text(dialog, IDC_DETAIL_HIGH, record->todays_high);
    set_price_text(dialog, IDC_DETAIL_LOW, record->todays_low);
    char change[QUOTE_PRICE_TEXT_SIZE];
    format_quote_net_change(change, sizeof(change), record->last_sale, record->previous_close);
    SetDlgItemTextA(dialog, IDC_DETAIL_NET_CHANGE, change);
    char volume[QUOTE_VOLUME_TEXT_SIZE];
    format_quote_volume(volume, sizeof(volume), record->volume);
    SetDlgItemTextA(dialog, IDC_DETAIL_VOLUME, volume);
}

bool has_web_address(const QuoteRecord *record) {
    return is_web_address(record->detail_url, sizeof(record->detail_url));
}

INT_PTR init_quote_detail(HWND dialog, QuoteRecord *record) {
    mark_quote_dialog(dialog);
    set_dialog_data(dialog, record);
    center_on_screen(dialog, HWND_TOP);
    EnableWindow(GetDlgItem(dialog, IDC_DETAIL_WEB_SITE), has_web_address(record));
    fill_detail_fields(dialog, record);
    return TRUE;
}

// A refresh may have rewritten the address since the dialog opened, so it is
// checked again here.
void open_web_site(HWND dialog) {
    const QuoteRecord *record = dialog_data<QuoteRecord>(dialog);
    if (record == nullptr || !has_web_address(record)) return;
    char address[QUOTE_DETAIL_URL_SIZE];
    fixed_text_copy(address, sizeof(address), record->detail_url, QUOTE_DETAIL_URL_SIZE - 1);
    ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOW);
}

void quote_detail_command(HWND dialog, WORD control) {
    if (control == IDC_DETAIL_WEB_SITE) open_web_site(dialog);
    close_on_ok_or_cancel(dialog, control);
}

BOOL CALLBACK close_quote_dialog(HWND window, LPARAM) {
    if (GetPropA(window, kQuoteDialogMark) != nullptr) {
        SendMessageA(window, WM_SYMBOLS_REPLACED, 0, 0);
    }
    return TRUE;
}

// The messages both quote dialogs answer alike: they close when the symbols
// are replaced, drop their mark as they go, and leave the rest to the
// default of every dialog.
INT_PTR quote_dialog_default(HWND dialog, UINT message, LPARAM lparam) {
    switch (message) {
    case WM_SYMBOLS_REPLACED:
        return forget_symbols(dialog);
    case WM_DESTROY:
        return unmark_quote_dialog(dialog);
    default:
        return dialog_default(dialog, message, lparam);
    }
}

}  // namespace

static INT_PTR CALLBACK quote_list_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return init_quote_list(dialog, reinterpret_cast<AppState *>(lparam));
    case WM_COMMAND:
        quote_list_command(dialog, LOWORD(wparam), HIWORD(wparam));
        return FALSE;
    default:
        return quote_dialog_default(dialog, message, lparam);
    }
}

static INT_PTR CALLBACK quote_detail_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return init_quote_detail(dialog, reinterpret_cast<QuoteRecord *>(lparam));
    case WM_COMMAND:
        quote_detail_command(dialog, LOWORD(wparam));
        return FALSE;
    default:
        return quote_dialog_default(dialog, message, lparam);
    }
}

INT_PTR quote_list_run(HWND owner, AppState *state) {
    return dialog_run(IDD_QUOTE_LIST, owner, quote_list_proc, state);
}

INT_PTR quote_detail_run(HWND owner, QuoteRecord *record) {
    return dialog_run(IDD_QUOTE_DETAIL, owner, quote_detail_proc, record);
}

void quote_dialogs_close_all(void) {
    EnumThreadWindows(GetCurrentThreadId(), close_quote_dialog, 0);
}

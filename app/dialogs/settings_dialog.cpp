#include "app/dialogs/settings_dialog.h"

#include <stdlib.h>
#include <string.h>

#include "app/app_state.h"
#include "app/command_table.h"
#include "app/dialogs/dialog_common.h"
#include "app/dialogs/html_help.h"
#include "app/dialogs/proxy_dialog.h"
#include "app/dialogs/quote_dialogs.h"
#include "app/dialogs/settings_formats.h"
#include "app/dialogs/symbol_dialog.h"
#include "app/resources/resource.h"
#include "app/settings/settings_store.h"
#include "app/settings/symbol_list.h"

namespace {

HWND symbol_list_box(HWND dialog) { return GetDlgItem(dialog, IDC_SETTINGS_SYMBOLS); }

void add_line(HWND dialog, const QuoteRecord *record, int32_t position) {
    char line[SETTINGS_LINE_SIZE];
    format_settings_line(line, sizeof(line), record);
    HWND list = symbol_list_box(dialog);
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    if (index >= 0) {
        SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), position);
    }
}

struct SelectedLine {
    LRESULT index;
    int32_t position;
    QuoteRecord *record;  // null when nothing is selected or the position has no record
};

SelectedLine selected_line(HWND dialog, AppState *state) {
    HWND list = symbol_list_box(dialog);
    SelectedLine selected = {SendMessageA(list, LB_GETCURSEL, 0, 0), -1, nullptr};
    if (selected.index != LB_ERR) {
        selected.position = static_cast<int32_t>(
            SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(selected.index), 0));
        symbol_list_get(state->symbols, &selected.record, selected.position);
    }
    return selected;
}

void set_button_state(HWND dialog) {
    bool selected = SendMessageA(symbol_list_box(dialog), LB_GETCURSEL, 0, 0) != LB_ERR;
    EnableWindow(GetDlgItem(dialog, IDC_SETTINGS_EDIT), selected);
    EnableWindow(GetDlgItem(dialog, IDC_SETTINGS_DELETE), selected);
}

void fill_symbol_lines(HWND dialog, AppState *state) {
    SymbolWalk walk = symbol_list_walk(state->symbols);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        if (!quote_record_is_deleted(record)) {
            add_line(dialog, record, position);
        }
    }
}

INT_PTR init_settings(HWND dialog, AppState *state) {
    set_dialog_data(dialog, state);
    center_on_screen(dialog, dialog);
    SetDlgItemInt(dialog, IDC_SETTINGS_UPDATE, state->update_minutes, FALSE);
    fill_symbol_lines(dialog, state);
    set_button_state(dialog);  // nothing is selected yet: both disabled
    return FALSE;
}

void accept_settings(HWND dialog, AppState *state) {
    char text[INTERVAL_TEXT_SIZE] = "";
    GetDlgItemTextA(dialog, IDC_SETTINGS_UPDATE, text, sizeof(text));
    // Empty, negative, non-numeric and out-of-range texts all read as 0.
    uint32_t minutes = interval_from_text(text);
    state->update_minutes =
        minutes != 0 ? minutes : static_cast<uint32_t>(APP_DEFAULT_UPDATE_MINUTES);
    settings_save(state);
    EndDialog(dialog, 1);
}

void cancel_settings(HWND dialog, AppState *state) {
    // The quote dialogs hold positions and records of the list the reload
    // frees; they must be gone before it is freed.
    quote_dialogs_close_all();
    settings_load(state);
    EndDialog(dialog, 0);
}

void symbol_list_notification(HWND dialog, WORD notification) {
    switch (notification) {
    case LBN_SELCHANGE:
        set_button_state(dialog);
        break;
    case LBN_DBLCLK:
        SendMessageA(dialog, WM_COMMAND, IDC_SETTINGS_EDIT, 0);
        break;
    }
}

void add_symbol(HWND dialog, AppState *state) {
    QuoteRecord *record = static_cast<QuoteRecord *>(calloc(1, sizeof(QuoteRecord)));
    if (record) {
        // A failed append adds no line: the line would carry the position of
        // another record.
        if (symbol_dialog_run(dialog, record) == 1 &&
            symbol_list_append(state->symbols, record, sizeof(*record))) {
            add_line(dialog, record, symbol_list_last_position(state->symbols));
        }
        free(record);
    }
    set_button_state(dialog);
}

void edit_symbol(HWND dialog, AppState *state) {
    SelectedLine selected = selected_line(dialog, state);
    if (selected.record && symbol_dialog_run(dialog, selected.record) == 1) {
        SendMessageA(symbol_list_box(dialog), LB_DELETESTRING, static_cast<WPARAM>(selected.index),
                     0);
        add_line(dialog, selected.record, selected.position);
    }
    set_button_state(dialog);
}

void delete_symbol(HWND dialog, AppState *state) {
    SelectedLine selected = selected_line(dialog, state);
    if (selected.record) {
        SendMessageA(symbol_list_box(dialog), LB_DELETESTRING, static_cast<WPARAM>(selected.index),
                     0);
        memcpy(selected.record->symbol, QUOTE_DELETED_SYMBOL, sizeof(QUOTE_DELETED_SYMBOL));
    }
}

void change_proxy(HWND dialog, AppState *state) {
    char proxy[APP_PROXY_SIZE];
    memcpy(proxy, state->proxy, sizeof(proxy));
    uint32_t port = state->proxy_port;
    if (proxy_dialog_run(dialog, state) == 0) {
        memcpy(state->proxy, proxy, sizeof(proxy));
        state->proxy_port = port;
    }
}

void show_settings_help(HWND dialog, AppState *) {
    HtmlHelpA(dialog, HELP_SETTINGS_TOPIC, HH_DISPLAY_TOPIC_COMMAND, 0);
}

const CommandHandler kSettingsButtons[] = {
    {IDOK, accept_settings},
    {IDCANCEL, cancel_settings},
    {IDC_SETTINGS_ADD, add_symbol},
    {IDC_SETTINGS_EDIT, edit_symbol},
    {IDC_SETTINGS_DELETE, delete_symbol},
    {IDC_SETTINGS_PROXY, change_proxy},
    {IDC_SETTINGS_HELP, show_settings_help},
};

void settings_command(HWND dialog, WORD control, WORD notification) {
    if (control == IDC_SETTINGS_SYMBOLS) {
        symbol_list_notification(dialog, notification);
    } else if (const CommandHandler *button = command_entry(kSettingsButtons, control)) {
        button->run(dialog, dialog_data<AppState>(dialog));
    }
}

}  // namespace

static INT_PTR CALLBACK settings_dialog_proc(HWND dialog, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return init_settings(dialog, reinterpret_cast<AppState *>(lparam));
    case WM_COMMAND:
        settings_command(dialog, LOWORD(wparam), HIWORD(wparam));
        return FALSE;
    default:
        return dialog_default(dialog, message, lparam);
    }
}

INT_PTR settings_dialog_run(HWND owner, AppState *state) {
    return dialog_run(IDD_SETTINGS, owner, settings_dialog_proc, state);
}

#include "app/tray_commands.h"

#include <shellapi.h>
#include <stdint.h>

#include "app/command_table.h"
#include "app/dialogs/about_dialog.h"
#include "app/dialogs/html_help.h"
#include "app/dialogs/quote_dialogs.h"
#include "app/dialogs/settings_dialog.h"
#include "app/refresh.h"
#include "app/resources/resource.h"
#include "app/tray_messages.h"

namespace {

// Dialogs opened from the tray that are still open; the tray window is shown
// while it is above 0. Dialogs nest inside each other's modal loops, so a
// flag per dialog would not do.
int32_t open_dialog_count = 0;

}  // namespace

// Bracket every dialog opened from the tray: the hidden tray window is shown
// while at least one is open. Not static: the tray's tests call them
// directly.
void show_owner_window(HWND window) {
    SetWindowPos(window, HWND_TOP, GetSystemMetrics(SM_CXSCREEN) / 2,
                 GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, SWP_SHOWWINDOW);
    ++open_dialog_count;
}

void hide_owner_window(HWND window) {
    --open_dialog_count;
    if (open_dialog_count <= 0) {
        SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_HIDEWINDOW);
        open_dialog_count = 0;
    }
}

namespace {

// The menu's pages on the web, opened in the user's browser.
struct WebPage {
    UINT command;
    const char *address;
};

const WebPage kWebPages[] = {
    {IDM_WEB_SITE, "http://www.morvane.example/"},
    {IDM_SERVICE_1, "http://www.morvane.example/news/"},
    {IDM_SERVICE_2, "http://www.morvane.example/charts/"},
};

struct TrayDialog {
    UINT command;
    INT_PTR (*run)(HWND owner, AppState *state);
    int32_t AppState::*guard;
};

const TrayDialog kTrayDialogs[] = {
    {IDM_ABOUT, about_dialog_run, &AppState::about_open},
    {IDM_SETTINGS, settings_dialog_run, &AppState::settings_open},
    {IDM_DISPLAY_QUOTES, quote_list_run, &AppState::quotes_open},
};

// Runs the dialog unless it is open already. Returns the modal result, or 0
// when it was open already. A dialog that cannot be created returns -1 and
// leaves nothing behind.
INT_PTR run_tray_dialog(HWND window, const TrayDialog &dialog, AppState *state) {
    if (state->*dialog.guard) {
        return 0;
    }
    state->*dialog.guard = 1;
    show_owner_window(window);
    INT_PTR result = dialog.run(window, state);
    hide_owner_window(window);
    state->*dialog.guard = 0;
    return result;
}

// A restart only for a changed interval, so an unchanged one keeps its phase.
void after_settings_ok(HWND window, AppState *state, uint32_t old_minutes) {
    refresh_quotes(window, state);
    if (state->update_minutes != old_minutes) {
        KillTimer(window, IDT_REFRESH);
        refresh_timer_start(window, state);
    }
}

void open_tray_dialog(HWND window, const TrayDialog &dialog, AppState *state) {
    uint32_t old_minutes = state->update_minutes;
    INT_PTR result = run_tray_dialog(window, dialog, state);
    if (dialog.command == IDM_SETTINGS && result == 1) {
        after_settings_ok(window, state, old_minutes);
    }
}

void open_web_page(HWND window, const WebPage &page) {
    ShellExecuteA(window, nullptr, page.address, nullptr, nullptr, SW_SHOW);
}

void exit_program(HWND window, AppState *) { DestroyWindow(window); }

void show_help_contents(HWND window, AppState *) {
    HtmlHelpA(window, HELP_FILE_NAME, HH_DISPLAY_TOC_COMMAND, 0);
}

const CommandHandler kTrayCommands[] = {
    {IDM_EXIT, exit_program},
    {IDM_UPDATE_NOW, refresh_quotes},
    {IDM_HELP, show_help_contents},
};

}  // namespace

void handle_command(HWND window, UINT command, AppState *state) {
    if (const CommandHandler *handler = command_entry(kTrayCommands, command)) {
        handler->run(window, state);
    } else if (const WebPage *page = command_entry(kWebPages, command)) {
        open_web_page(window, *page);
    } else if (const TrayDialog *dialog = command_entry(kTrayDialogs, command)) {
        open_tray_dialog(window, *dialog, state);
    }
}

#include "app/tray_window.h"

#include <shellapi.h>
#include <string.h>

#include "app/module_export.h"
#include "app/refresh.h"
#include "app/refresh_math.h"
#include "app/resources/resource.h"
#include "app/tray_commands.h"
#include "app/tray_icon.h"

namespace {

const char kUtilitiesFile[] = "Morvane Quote Utilities.dll";
const char kPluginFile[] = "Morvane Quote Nasdaq.mqx";
const char kGetPageExport[] = "MQUTILITES_GetPage";
const char kFatalText[] = "Fatal error - please reinstall.";

const char kWebSiteAddress[] = "http://www.morvane.example/";
const char kNewsAddress[] = "http://www.morvane.example/news/";
const char kChartsAddress[] = "http://www.morvane.example/charts/";

const UINT kMenuFlags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON;

AppState *window_state(HWND window) {
    return reinterpret_cast<AppState *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HINSTANCE window_instance(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}

// Offers the page fetch to the plug-in; the plug-in keeps its own copy of
// the record, so a local is enough. True when the plug-in accepted.
bool attach_plugin(HMODULE plugin, GetPageFunction get_page) {
    MqxAttachFunction attach = module_export<MqxAttachFunction>(plugin, MQX_ATTACH_EXPORT);
    if (attach == nullptr) {
        return false;
    }
    AttachRecord record;
    memset(&record, 0, sizeof(record));
    record.version = MQX_INTERFACE_VERSION;
    record.get_page = get_page;
    record.accepted = 0;
    attach(&record);
    return record.accepted != 0;
}

// Loads the page fetch and the plug-in as far as they go, keeping every
// module loaded in the state. A missing page fetch, or a plug-in that
// accepted but cannot quote, leaves the program unable to run: false.
// Anything short of that just leaves it without a quote source.
bool bind_quote_source(AppState *state) {
    HMODULE utilities = LoadLibraryA(kUtilitiesFile);
    state->utilities_module = utilities;
    if (utilities == nullptr) {
        return false;
    }
    GetPageFunction get_page = module_export<GetPageFunction>(utilities, kGetPageExport);
    if (get_page == nullptr) {
        return true;
    }
    HMODULE plugin = LoadLibraryA(kPluginFile);
    state->plugin_module = plugin;
    if (plugin == nullptr || !attach_plugin(plugin, get_page)) {
        return true;
    }
    state->quote_function = module_export<MqxQuoteFunction>(plugin, MQX_QUOTE_EXPORT);
    return state->quote_function != nullptr;
}

void unload_module(void **module) {
    if (*module != nullptr) {
        FreeLibrary(static_cast<HMODULE>(*module));
        *module = nullptr;
    }
}

LRESULT on_create(HWND window, const CREATESTRUCTA *creation) {
    AppState *state = static_cast<AppState *>(creation->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    if (!bind_quote_source(state)) {
        MessageBoxA(window, kFatalText, APP_PRODUCT_NAME, MB_ICONERROR);
        // Destroying the window inside WM_CREATE makes CreateWindowExA
        // return null, which ends the program quietly.
        DestroyWindow(window);
        return 0;
    }
    tray_add_icon(window, state->balloon_capable);
    refresh_quotes(window, state);
    SetTimer(window, IDT_REFRESH, refresh_interval_ms(state->update_minutes), nullptr);
    return 0;
}

// Leaves nothing behind that points into the unloaded libraries.
void on_destroy(HWND window, AppState *state) {
    KillTimer(window, IDT_REFRESH);
    if (state != nullptr) {
        tray_remove_icon(window, state->balloon_capable);
        state->quote_function = nullptr;
        unload_module(&state->plugin_module);
        unload_module(&state->utilities_module);
    }
    PostQuitMessage(0);
}

void show_tray_menu(HWND window, AppState *state) {
    SetForegroundWindow(window);
    HMENU menu = LoadMenuA(window_instance(window), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    UINT command = 0;
    if (menu != nullptr) {
        command = static_cast<UINT>(TrackPopupMenu(GetSubMenu(menu, 0), kMenuFlags, cursor.x,
                                                   cursor.y, 0, window, nullptr));
    }
    handle_command(window, command, state);
    // Lets the menu close properly when the program was not in the
    // foreground; the classic tray-menu companion of SetForegroundWindow.
    PostMessageA(window, WM_NULL, 0, 0);
    if (menu != nullptr) {
        DestroyMenu(menu);
    }
}

void on_tray_mouse(HWND window, AppState *state, UINT mouse_message) {
    switch (mouse_message) {
    case WM_LBUTTONDOWN:
        if (state->balloon_capable) {
            tray_show_balloon(window, state->trend_icon, state->balloon_text,
                              state->balloon_capable);
        } else {
            handle_command(window, IDM_DISPLAY_QUOTES, state);
        }
        break;
    case WM_LBUTTONDBLCLK:
        handle_command(window, IDM_DISPLAY_QUOTES, state);
        break;
    case WM_RBUTTONDOWN:
        show_tray_menu(window, state);
        break;
    default:
        break;
    }
}

void open_web_page(HWND window, const char *address) {
    ShellExecuteA(window, nullptr, address, nullptr, nullptr, SW_SHOW);
}

}  // namespace

void handle_command(HWND window, UINT command, AppState *state) {
    switch (command) {
    case IDM_EXIT:
        DestroyWindow(window);
        break;
    case IDM_UPDATE_NOW:
        refresh_quotes(window, state);
        break;
    case IDM_WEB_SITE:
        open_web_page(window, kWebSiteAddress);
        break;
    case IDM_SERVICE_1:
        open_web_page(window, kNewsAddress);
        break;
    case IDM_SERVICE_2:
        open_web_page(window, kChartsAddress);
        break;
    case IDM_ABOUT:
    case IDM_SETTINGS:
    case IDM_DISPLAY_QUOTES:
    case IDM_HELP:
        tray_dialog_command(window, command, state);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK tray_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        return on_create(window, reinterpret_cast<const CREATESTRUCTA *>(lparam));
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        on_destroy(window, window_state(window));
        return 0;
    case WM_TIMER:
        refresh_quotes(window, window_state(window));
        return 0;
    case WM_TRAY_CALLBACK:
        on_tray_mouse(window, window_state(window), static_cast<UINT>(lparam));
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

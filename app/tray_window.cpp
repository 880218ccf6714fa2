#include "app/tray_window.h"

#include "app/quote_source.h"
#include "app/refresh.h"
#include "app/resources/resource.h"
#include "app/tray_commands.h"
#include "app/tray_icon.h"
#include "app/tray_messages.h"

namespace {

const char kFatalText[] = "Fatal error - please reinstall.";

const UINT kMenuFlags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON;

AppState *window_state(HWND window) {
    return reinterpret_cast<AppState *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HINSTANCE window_instance(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}

LRESULT on_create(HWND window, const CREATESTRUCTA *creation) {
    AppState *state = static_cast<AppState *>(creation->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    if (!quote_source_bind(state)) {
        MessageBoxA(window, kFatalText, APP_PRODUCT_NAME, MB_ICONERROR);
        // Destroying the window inside WM_CREATE makes CreateWindowExA
        // return null, which ends the program quietly.
        DestroyWindow(window);
        return 0;
    }
    tray_add_icon(window, state->balloon_capable);
    refresh_quotes(window, state);
    refresh_timer_start(window, state);
    return 0;
}

// Leaves nothing behind that points into the unloaded libraries.
void on_destroy(HWND window, AppState *state) {
    KillTimer(window, IDT_REFRESH);
    if (state != nullptr) {
        tray_remove_icon(window, state->balloon_capable);
        quote_source_unbind(state);
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

}  // namespace

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

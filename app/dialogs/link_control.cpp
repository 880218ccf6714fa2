// A static control that looks and acts like a web link: underlined blue text,
// the hand pointer, and a click opens its own text.
#include "app/dialogs/link_control.h"

#include <shellapi.h>
#include <stdlib.h>

#include "app/resources/resource.h"

namespace {

const COLORREF kLinkColour = RGB(0, 0, 255);

WNDPROC previous_proc(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT call_previous(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return CallWindowProcA(previous_proc(window), window, message, wparam, lparam);
}

// The control's text in a block the caller frees; null when memory is short.
char *copy_window_text(HWND window, int *length) {
    *length = GetWindowTextLengthA(window);
    char *text = static_cast<char *>(malloc(static_cast<size_t>(*length) + 1));
    if (text == nullptr) return nullptr;
    *length = GetWindowTextA(window, text, *length + 1);
    return text;
}

HFONT create_link_font(HDC dc) {
    return CreateFontA(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_DONTCARE, FALSE,
                       TRUE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, 0, "MS Sans Serif");
}

LRESULT paint_link(HWND window, WPARAM wparam, LPARAM lparam) {
    int length;
    char *text = copy_window_text(window, &length);
    if (text == nullptr) return call_previous(window, WM_PAINT, wparam, lparam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    // Made for every paint: the font follows the device's resolution.
    HFONT font = create_link_font(dc);
    HGDIOBJ previous_font = font != nullptr ? SelectObject(dc, font) : nullptr;
    SetTextColor(dc, kLinkColour);
    TextOutA(dc, 0, 0, text, length);
    if (font != nullptr) {
        SelectObject(dc, previous_font);
        DeleteObject(font);
    }
    EndPaint(window, &paint);
    free(text);
    return 0;
}

LRESULT set_link_cursor(HWND window) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    SetCursor(LoadCursorA(instance, MAKEINTRESOURCEA(IDC_LINK_HAND)));
    return 0;
}

LRESULT open_link(HWND window) {
    int length;
    char *text = copy_window_text(window, &length);
    if (text == nullptr) return 0;
    ShellExecuteA(window, "open", text, nullptr, nullptr, SW_HIDE);
    free(text);
    return 0;
}

}  // namespace

// Not static: the About dialog's tests check that the link runs it.
LRESULT CALLBACK link_control_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT:
        return paint_link(window, wparam, lparam);
    case WM_SETCURSOR:
        return set_link_cursor(window);
    case WM_LBUTTONDOWN:
        return open_link(window);
    default:
        return call_previous(window, message, wparam, lparam);
    }
}

bool make_link_control(HWND control) {
    LONG_PTR previous = GetWindowLongPtrA(control, GWLP_WNDPROC);
    if (previous == 0) return false;
    // The user data is set before the new procedure can run: it needs it to
    // pass on every message it does not handle.
    SetWindowLongPtrA(control, GWLP_USERDATA, previous);
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(link_control_proc));
    return true;
}

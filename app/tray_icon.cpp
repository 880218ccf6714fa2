#include "app/tray_icon.h"

#include <shellapi.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "app/app_state.h"
#include "app/resources/resource.h"
#include "plugin/fixed_text.h"

namespace {

// The two layouts the shell takes: the first one (64-character tooltip, no
// balloon) and the one with the 128-character tooltip and the balloon fields.
// In a 32-bit process they are 88 and 488 bytes.
const DWORD kSmallDataSize = offsetof(NOTIFYICONDATAA, szTip) + 64;
const DWORD kLargeDataSize = offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD);

static_assert(sizeof(NOTIFYICONDATAA) >= kLargeDataSize, "NOTIFYICONDATAA holds the large layout");
static_assert(offsetof(NOTIFYICONDATAA, szInfoTitle) + 64 == offsetof(NOTIFYICONDATAA, dwInfoFlags),
              "large layout: the balloon title comes just before its flags");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(kSmallDataSize == 88 && kLargeDataSize == 488 &&
                  offsetof(NOTIFYICONDATAA, szInfo) == 160 &&
                  offsetof(NOTIFYICONDATAA, szInfoTitle) == 420,
              "the 32-bit layouts: 88 bytes, and 488 with the balloon fields");
#endif

// An all-zero block of the chosen size, addressed to the program's one icon.
void start_icon_data(NOTIFYICONDATAA *data, HWND window, DWORD size) {
    memset(data, 0, sizeof(*data));
    data->cbSize = size;
    data->hWnd = window;
    data->uID = 0;
}

DWORD data_size(bool balloon_capable) { return balloon_capable ? kLargeDataSize : kSmallDataSize; }

HICON load_program_icon(HWND window, UINT icon_id) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    return LoadIconA(instance, MAKEINTRESOURCEA(icon_id));
}

// Copies a text unchanged (no format expansion) into a field of `size` bytes.
void copy_field(char *field, size_t size, const char *text) {
    fixed_text_copy(field, size, text, size);
}

// Icon, callback message and tooltip: what both the add and the update send.
void send_icon_and_tip(DWORD message, HWND window, UINT icon_id, const char *text,
                       bool balloon_capable) {
    NOTIFYICONDATAA data;
    start_icon_data(&data, window, data_size(balloon_capable));
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_CALLBACK;
    data.hIcon = load_program_icon(window, icon_id);
    copy_field(data.szTip, balloon_capable ? sizeof(data.szTip) : 64, text);
    Shell_NotifyIconA(message, &data);
}

}  // namespace

void tray_add_icon(HWND window, bool balloon_capable) {
    send_icon_and_tip(NIM_ADD, window, IDI_TRAY_START, APP_PRODUCT_NAME, balloon_capable);
}

void tray_update_icon(HWND window, UINT icon_id, const char *text, bool balloon_capable) {
    send_icon_and_tip(NIM_MODIFY, window, icon_id, text, balloon_capable);
}

bool tray_show_balloon(HWND window, UINT icon_id, const char *text, bool balloon_capable) {
    if (!balloon_capable) return false;
    NOTIFYICONDATAA data;
    start_icon_data(&data, window, kLargeDataSize);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_INFO;
    data.uCallbackMessage = WM_TRAY_CALLBACK;
    data.hIcon = load_program_icon(window, icon_id);
    copy_field(data.szInfo, sizeof(data.szInfo), text);
    copy_field(data.szInfoTitle, sizeof(data.szInfoTitle), APP_PRODUCT_NAME);
    data.uTimeout = 0;
    data.dwInfoFlags = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

void tray_remove_icon(HWND window, bool balloon_capable) {
    NOTIFYICONDATAA data;
    start_icon_data(&data, window, data_size(balloon_capable));
    Shell_NotifyIconA(NIM_DELETE, &data);
}

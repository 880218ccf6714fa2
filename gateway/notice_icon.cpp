#include "gateway/notice_icon.h"

#include <shellapi.h>

#include "gateway/gateway_limits.h"

namespace {

const char kWindowClass[] = "MorvaneQuoteGatewayNotice";
const UINT kIconId = 1;
const UINT kStopMessage = WM_APP + 2;
const UINT kApplyMessage = WM_APP + 3;
const UINT_PTR kLingerTimer = 1;

enum NoticeCommand : UINT { kOpenStatusPage = 1, kHideUntilStopped = 2 };

template <size_t Size>
void copy_text(char (&field)[Size], const std::string &text) {
    lstrcpynA(field, text.c_str(), static_cast<int>(Size));
}

}  // namespace

NoticeIcon::NoticeIcon(uint16_t port)
    : status_url_("http://127.0.0.1:" + std::to_string(port) + "/") {
    thread_ = std::thread([this] { run(); });
    if (ready_.get() != nullptr) WaitForSingleObject(ready_.get(), kNoticeStartMs);
}

NoticeIcon::~NoticeIcon() {
    // Whichever of the two comes second sees the other: the thread looks at
    // stopping_ after it has published its window.
    stopping_ = true;
    HWND window = window_.load();
    if (window != nullptr) PostMessageA(window, kStopMessage, 0, 0);
    thread_.join();
}

void NoticeIcon::show(const Notice &notice) { post(notice, true); }

void NoticeIcon::follow_up(const Notice &notice) { post(notice, false); }

// Only the latest notice matters: one that waits is replaced, and an
// earlier show still shows.
void NoticeIcon::post(const Notice &notice, bool unhide) {
    HWND window = window_.load();
    if (window == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.unhide = unhide || (pending_.waiting && pending_.unhide);
        pending_.notice = notice;
        pending_.waiting = true;
    }
    PostMessageA(window, kApplyMessage, 0, 0);
}

void NoticeIcon::run() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.lpszClassName = kWindowClass;
    RegisterClassA(&window_class);  // a second icon in one process finds it there
    // Never shown: it only receives the icon's messages.
    HWND window = CreateWindowExA(0, kWindowClass, "Morvane Quote Gateway", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, instance, this);
    window_ = window;
    if (ready_.get() != nullptr) SetEvent(ready_.get());
    if (window == nullptr) return;
    MSG message;
    while (!stopping_ && GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    take_away();
    DestroyWindow(window);
}

LRESULT CALLBACK NoticeIcon::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        CREATESTRUCTA *create = reinterpret_cast<CREATESTRUCTA *>(lparam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    NoticeIcon *icon = reinterpret_cast<NoticeIcon *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (icon == nullptr || icon->window_.load() != window) {
        return DefWindowProcA(window, message, wparam, lparam);
    }
    return icon->handle(message, wparam, lparam);
}

LRESULT NoticeIcon::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case kNoticeIconMessage:
        on_icon_event(lparam);
        return 0;
    case kApplyMessage:
        apply_pending();
        return 0;
    case kStopMessage:
        // A menu still open would hold the thread in its own loop.
        EndMenu();
        PostQuitMessage(0);
        return 0;
    case WM_TIMER:
        take_away();
        return 0;
    case WM_COMMAND:
        run_command(LOWORD(wparam));
        return 0;
    }
    return DefWindowProcA(window_.load(), message, wparam, lparam);
}

void NoticeIcon::apply_pending() {
    Pending pending;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!pending_.waiting) return;
        pending = pending_;
        pending_.waiting = false;
    }
    if (pending.unhide) hidden_by_user_ = false;
    if (hidden_by_user_ || (!shown_ && !pending.unhide)) return;
    KillTimer(window_.load(), kLingerTimer);
    if (!shown_) shown_ = notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP, pending.notice);
    if (!shown_) return;
    notify(NIM_MODIFY, NIF_ICON | NIF_TIP | NIF_INFO, pending.notice);
    if (pending.notice.linger_ms > 0) {
        SetTimer(window_.load(), kLingerTimer, pending.notice.linger_ms, nullptr);
    }
}

void NoticeIcon::on_icon_event(LPARAM event) {
    switch (LOWORD(event)) {
    case WM_LBUTTONUP:
    case NIN_BALLOONUSERCLICK:
        open_status_page();
        break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
        show_menu();
        break;
    }
}

void NoticeIcon::open_status_page() {
    ShellExecuteA(nullptr, "open", status_url_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void NoticeIcon::show_menu() {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return;
    AppendMenuA(menu, MF_STRING, kOpenStatusPage, "Open status page");
    AppendMenuA(menu, MF_STRING, kHideUntilStopped, "Hide until quotes stop again");
    SetMenuDefaultItem(menu, kOpenStatusPage, FALSE);
    POINT cursor = {};
    GetCursorPos(&cursor);
    HWND window = window_.load();
    // Without the foreground, the menu would stay open after a click elsewhere.
    SetForegroundWindow(window);
    UINT command =
        static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                         cursor.x, cursor.y, 0, window, nullptr));
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
    run_command(command);
}

void NoticeIcon::run_command(UINT command) {
    if (command == kOpenStatusPage) open_status_page();
    if (command == kHideUntilStopped) hide();
}

void NoticeIcon::take_away() {
    KillTimer(window_.load(), kLingerTimer);
    if (shown_) notify(NIM_DELETE, 0, Notice());
    shown_ = false;
}

void NoticeIcon::hide() {
    take_away();
    hidden_by_user_ = true;
}

bool NoticeIcon::notify(DWORD message, UINT flags, const Notice &notice) {
    NOTIFYICONDATAA data = {};
    data.cbSize = sizeof(data);
    data.hWnd = window_.load();
    data.uID = kIconId;
    data.uFlags = flags;
    data.uCallbackMessage = kNoticeIconMessage;
    // The system's own icons: shared, never destroyed.
    data.hIcon = LoadIconA(nullptr, notice.warning ? IDI_WARNING : IDI_INFORMATION);
    copy_text(data.szTip, notice.tooltip);
    copy_text(data.szInfoTitle, notice.title);
    copy_text(data.szInfo, notice.text);
    data.dwInfoFlags = notice.warning ? NIIF_WARNING : NIIF_INFO;
    return Shell_NotifyIconA(message, &data) != FALSE;
}

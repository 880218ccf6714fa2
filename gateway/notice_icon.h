// The gateway's own notification-area icon, for the few moments it has
// something to say: a window no one sees and its message loop on a thread
// of their own, owned here and joined when the object goes. A click on the
// icon or its balloon opens the status page; a right click offers it and
// "Hide until quotes stop again".
#ifndef MORVANE_GATEWAY_NOTICE_ICON_H
#define MORVANE_GATEWAY_NOTICE_ICON_H

#include <windows.h>

#include <stdint.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "gateway/scoped_handle.h"

// The icon's callback message to its window.
constexpr UINT kNoticeIconMessage = WM_APP + 1;

// One thing to say: the icon's tooltip and its one balloon.
struct Notice {
    std::string tooltip;
    std::string title;
    std::string text;
    bool warning = true;  // the warning look; else the information look
    // The icon goes this long after the balloon; 0: it stays.
    uint32_t linger_ms = 0;
};

class NoticeIcon {
public:
    // The status page of the gateway on `port` is what a click opens. Waits
    // at most kNoticeStartMs for the window; without one, nothing shows.
    explicit NoticeIcon(uint16_t port);
    // Takes the icon away and joins the thread.
    ~NoticeIcon();
    NoticeIcon(const NoticeIcon &) = delete;
    NoticeIcon &operator=(const NoticeIcon &) = delete;

    // Shows the icon with `notice`, also after the user hid it. From any
    // thread.
    void show(const Notice &notice);
    // Replaces what a shown icon says; an icon the user hid stays hidden.
    void follow_up(const Notice &notice);

    // The icon's window, or null.
    HWND window() const { return window_.load(); }

private:
    struct Pending {
        Notice notice;
        bool unhide = false;
        bool waiting = false;
    };

    void run();
    void post(const Notice &notice, bool unhide);
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    void apply_pending();
    void on_icon_event(LPARAM event);
    void open_status_page();
    void show_menu();
    void run_command(UINT command);
    void take_away();
    void hide();
    bool notify(DWORD message, UINT flags, const Notice &notice);

    std::string status_url_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> stopping_{false};
    // Set once the window exists or could not be made; outlives the thread.
    KernelHandle ready_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::thread thread_;
    std::mutex mutex_;  // guards pending_
    Pending pending_;
    // Owned by the icon's thread.
    bool shown_ = false;
    bool hidden_by_user_ = false;
};

#endif

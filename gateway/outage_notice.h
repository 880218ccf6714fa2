// The outage rule's verdicts in the notification area: the warning icon and
// one balloon when live quotes stop, one balloon "Live quotes are back" and
// the icon gone when they come back, nothing while they flow.
#ifndef MORVANE_GATEWAY_OUTAGE_NOTICE_H
#define MORVANE_GATEWAY_OUTAGE_NOTICE_H

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gateway/notice_icon.h"
#include "gateway/outage_watch.h"

struct OutageNoticeHooks {
    MonotonicClock clock;
    // "HH:MM:SS" in local time of a moment of `clock`.
    std::function<std::string(uint64_t)> clock_text;
    // Each source's state now, for the balloon.
    std::function<std::vector<SourceStatus>()> sources;
};

class OutageNotice {
public:
    // Without `show_icon` (--no-notify) the rule still runs, for the status
    // page, and nothing shows.
    OutageNotice(uint16_t port, bool show_icon, OutageNoticeHooks hooks);

    // What one request got. From any thread.
    void served(const ServedQuote &served);

    // "HH:MM:SS" since when live quotes have stopped, or empty.
    std::string stopped_since();

    // The icon's window, or null without one.
    HWND window() const { return icon_ ? icon_->window() : nullptr; }

private:
    OutageNoticeHooks hooks_;
    OutageWatch watch_;
    // Keeps a verdict and its notice together, so that "back" never
    // overtakes the "stopped" before it.
    std::mutex mutex_;
    std::unique_ptr<NoticeIcon> icon_;
};

#endif

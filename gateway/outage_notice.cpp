#include "gateway/outage_notice.h"

#include <utility>

#include "gateway/gateway_limits.h"

OutageNotice::OutageNotice(uint16_t port, bool show_icon, OutageNoticeHooks hooks)
    : hooks_(std::move(hooks)), icon_(show_icon ? new NoticeIcon(port) : nullptr) {}

void OutageNotice::served(const ServedQuote &served) {
    std::lock_guard<std::mutex> lock(mutex_);
    OutageChange change = watch_.note(served, hooks_.clock());
    if (!icon_ || change == OutageChange::none) return;
    Notice notice;
    if (change == OutageChange::stopped) {
        notice.tooltip = outage_tooltip(stopped_since());
        notice.title = "Live quotes stopped";
        notice.text = outage_balloon_text(hooks_.sources());
        icon_->show(notice);
        return;
    }
    notice.tooltip = "Morvane Quote Gateway: live quotes are back";
    notice.title = "Live quotes are back";
    notice.text = "Quotes come from " + served.source + ".";
    notice.warning = false;
    notice.linger_ms = kBackBalloonMs;
    icon_->follow_up(notice);
}

std::string OutageNotice::stopped_since() {
    uint64_t since = 0;
    return watch_.stopped(&since) ? hooks_.clock_text(since) : std::string();
}

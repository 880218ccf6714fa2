#include "gateway/watchlist.h"

#include <algorithm>
#include <utility>

#include "gateway/gateway_limits.h"
#include "gateway/plain_text.h"

namespace {

// A last-asked time this much newer than the stored one is worth a write;
// finer steps do not change what is forgotten when.
constexpr int64_t kResaveSeconds = 3600;

}  // namespace

Watchlist Watchlist::loaded(std::string_view text) {
    Watchlist list;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        size_t space = line.find(' ');
        int64_t seconds = 0;
        if (space != std::string_view::npos && is_valid_symbol(line.substr(0, space)) &&
            read_digits(line.substr(space + 1), &seconds)) {
            list.last_asked_[std::string(line.substr(0, space))] = {seconds, list.next_order_++};
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    list.forget_beyond_limit();
    for (const auto &entry : list.last_asked_) list.stored_[entry.first] = entry.second.at;
    return list;
}

bool Watchlist::note(const std::string &symbol, int64_t now) {
    last_asked_[symbol] = {now, next_order_++};
    forget_old(now);
    auto stored = stored_.find(symbol);
    return stored == stored_.end() || now - stored->second >= kResaveSeconds;
}

// A time ahead of the clock (a clock set back, or a stored value written by
// hand) counts as asked now, so that it cannot keep a symbol for years.
void Watchlist::forget_old(int64_t now) {
    for (auto entry = last_asked_.begin(); entry != last_asked_.end();) {
        entry->second.at = std::min(entry->second.at, now);
        bool old = now - entry->second.at > kKnownSymbolLifeSeconds;
        entry = old ? last_asked_.erase(entry) : std::next(entry);
    }
    forget_beyond_limit();
}

// The most recently asked are kept.
void Watchlist::forget_beyond_limit() {
    if (last_asked_.size() <= kMaxKnownSymbols) return;
    std::vector<std::pair<Asked, std::string>> ordered = by_request_order();
    for (size_t i = 0; i < ordered.size() - kMaxKnownSymbols; ++i)
        last_asked_.erase(ordered[i].second);
}

// Oldest request first.
std::vector<std::pair<Watchlist::Asked, std::string>> Watchlist::by_request_order() const {
    std::vector<std::pair<Asked, std::string>> ordered;
    for (const auto &entry : last_asked_) ordered.emplace_back(entry.second, entry.first);
    std::sort(ordered.begin(), ordered.end(),
              [](const auto &a, const auto &b) { return a.first.order < b.first.order; });
    return ordered;
}

std::vector<std::string> Watchlist::symbols(int64_t now) {
    forget_old(now);
    std::vector<std::string> symbols;
    for (const auto &entry : by_request_order()) symbols.push_back(entry.second);
    return symbols;
}

std::string Watchlist::saved() {
    std::string text;
    stored_.clear();
    for (const auto &entry : by_request_order()) {
        text += entry.second + " " + std::to_string(entry.first.at) + "\n";
        stored_[entry.second] = entry.first.at;
    }
    return text;
}

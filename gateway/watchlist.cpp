#include "gateway/watchlist.h"

#include <algorithm>
#include <utility>

#include "gateway/gateway_limits.h"
#include "gateway/page_request.h"
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
            list.last_asked_[std::string(line.substr(0, space))] = seconds;
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    list.stored_ = list.last_asked_;
    return list;
}

bool Watchlist::note(const std::string &symbol, int64_t now) {
    last_asked_[symbol] = now;
    forget_old(now);
    auto stored = stored_.find(symbol);
    return stored == stored_.end() || now - stored->second >= kResaveSeconds;
}

void Watchlist::forget_old(int64_t now) {
    for (auto entry = last_asked_.begin(); entry != last_asked_.end();) {
        bool old = now - entry->second > kKnownSymbolLifeSeconds;
        entry = old ? last_asked_.erase(entry) : std::next(entry);
    }
    if (last_asked_.size() <= kMaxKnownSymbols) return;
    std::vector<std::pair<int64_t, std::string>> by_age;
    for (const auto &entry : last_asked_) by_age.emplace_back(entry.second, entry.first);
    std::sort(by_age.begin(), by_age.end());
    for (size_t i = 0; i < by_age.size() - kMaxKnownSymbols; ++i)
        last_asked_.erase(by_age[i].second);
}

std::vector<std::string> Watchlist::symbols(int64_t now) {
    forget_old(now);
    std::vector<std::string> symbols;
    for (const auto &entry : last_asked_) symbols.push_back(entry.first);
    return symbols;
}

std::string Watchlist::saved() {
    std::string text;
    for (const auto &entry : last_asked_) {
        text += entry.first + " " + std::to_string(entry.second) + "\n";
    }
    stored_ = last_asked_;
    return text;
}

// The watchlist and the prefetch: a stale quote brings the other stale
// symbols along, one fetch per symbol however many wait for it, no more
// requests at once to a source than a polite client makes, none to a
// resting source, and a watchlist that outlives the gateway but not a week
// without a request. Real threads; the source blocks until the test lets it.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "gateway/quote_service.h"
#include "gateway/status_page.h"
#include "gateway/watchlist.h"

namespace {

// A source whose answers wait until the test opens its gate.
class GatedSource {
public:
    UpstreamAnswer answer(const std::string &url) {
        std::unique_lock<std::mutex> lock(mutex_);
        asked_.push_back(url);
        peak_ = std::max(peak_, ++at_once_);
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
        --at_once_;
        UpstreamAnswer answer;
        answer.kind = UpstreamAnswer::Kind::answered;
        answer.http_status = url.find("/limited/") != std::string::npos ? 429 : 200;
        answer.retry_after_ms = 3600000;
        // CLOSED: three hours after the close, the day's final figures.
        answer.body = url.find("/CLOSED/") != std::string::npos
                          ? R"({"data":{"marketStatus":"Closed","primaryData":{
                                "lastSalePrice":"$10.00","lastTradeTimestamp":"Dec 7, 2026 4:00 PM ET"}}})"
                          : R"({"data":{"primaryData":{"lastSalePrice":"$10.00"}}})";
        return answer;
    }

    void open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

    // Waits until `at_once` requests are held at the gate.
    bool wait_for(size_t at_once) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5),
                                 [&] { return at_once_ == at_once; });
    }

    std::vector<std::string> asked() {
        std::lock_guard<std::mutex> lock(mutex_);
        return asked_;
    }

    size_t peak() {
        std::lock_guard<std::mutex> lock(mutex_);
        return peak_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    size_t at_once_ = 0;
    size_t peak_ = 0;
    std::vector<std::string> asked_;
};

class Prefetch : public testing::Test {
protected:
    QuoteService &service(const std::string &watchlist, const std::string &nasdaq = "up") {
        GatewayOptions options;
        options.source = LiveSourceChoice::nasdaq;
        options.nasdaq_base = "http://n/" + nasdaq;
        QuoteServiceHooks hooks;
        hooks.fetch = [this](const std::string &url, uint32_t, FetchHold) {
            return source_.answer(url);
        };
        hooks.clock = [this] { return now_ms_.load(); };
        hooks.wall_clock = [] { return int64_t{1796688000}; };
        hooks.load_watchlist = [watchlist] { return watchlist; };
        hooks.save_watchlist = [this](const std::string &text) { saved_ = text; };
        hooks.prefetched = [this](const std::string &, const ServedQuote &, uint32_t) {
            ++prefetched_;
        };
        service_.reset(new QuoteService(options, std::move(hooks)));
        return *service_;
    }

    bool prefetched(int count) {
        for (int i = 0; i < 500 && prefetched_ < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return prefetched_ == count;
    }

    static std::string watchlist_of(int symbols) {
        std::string text;
        for (int i = 0; i < symbols; ++i) text += "S" + std::to_string(i) + " 1796688000\n";
        return text;
    }

    GatedSource source_;
    std::atomic<uint64_t> now_ms_{1000};
    std::atomic<int> prefetched_{0};
    std::string saved_;
    std::unique_ptr<QuoteService> service_;
};

TEST_F(Prefetch, OneFetchPerSymbolHoweverManyWaitForIt) {
    QuoteService &quotes = service("");
    std::vector<std::thread> clients;
    std::atomic<int> found{0};
    for (int i = 0; i < 3; ++i) {
        clients.emplace_back([&] { found += quotes.quote("MSFT").found ? 1 : 0; });
    }
    ASSERT_TRUE(source_.wait_for(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    source_.open();
    for (std::thread &client : clients) client.join();
    EXPECT_EQ(found, 3);
    EXPECT_EQ(source_.asked().size(), 1u);
}

TEST_F(Prefetch, AStaleQuoteBringsTheOtherStaleSymbolsAlong) {
    QuoteService &quotes = service(watchlist_of(3));
    source_.open();
    EXPECT_EQ(quotes.quote("S0").outcome, "quote");
    ASSERT_TRUE(prefetched(2));
    EXPECT_EQ(quotes.quote("S1").outcome, "prefetched");
    EXPECT_EQ(quotes.quote("S2").outcome, "prefetched");
    EXPECT_EQ(quotes.quote("S2").outcome, "cached");
    EXPECT_EQ(source_.asked().size(), 3u);
}

TEST_F(Prefetch, NoMoreThanSixRequestsAtOnceAndEachSymbolOnce) {
    QuoteService &quotes = service(watchlist_of(20));
    std::thread client([&] { quotes.quote("S0"); });
    ASSERT_TRUE(source_.wait_for(kRequestsPerSource));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(source_.peak(), kRequestsPerSource);
    source_.open();
    client.join();
    ASSERT_TRUE(prefetched(19));
    EXPECT_EQ(source_.asked().size(), 20u);
    EXPECT_EQ(source_.peak(), kRequestsPerSource);
}

TEST_F(Prefetch, ARestingSourceGetsNoPrefetch) {
    QuoteService &quotes = service(watchlist_of(2), "limited");
    source_.open();
    quotes.quote("S0");
    ASSERT_TRUE(prefetched(1));
    size_t asked = source_.asked().size();
    now_ms_ += 120000;  // past the cache period, within the hour the 429 asked for
    EXPECT_EQ(quotes.quote("S2").outcome, "no quote: nasdaq: resting");
    ASSERT_TRUE(prefetched(3));
    EXPECT_EQ(source_.asked().size(), asked);
}

// Once asked, CLOSED would be served "prefetched", or fetched here anew.
TEST_F(Prefetch, AFinalQuoteIsNeitherPrefetchedNorShownStale) {
    QuoteService &quotes = service("CLOSED 1796688000\n");
    source_.open();
    quotes.quote("CLOSED");
    now_ms_ += 120000;  // past the cache period
    quotes.quote("S0");
    EXPECT_EQ(quotes.quote("CLOSED").outcome, "cached");
    GatewayStatus status = status_view(quotes.status(), [](uint64_t) { return std::string(); });
    ASSERT_EQ(status.symbols[0].symbol, "CLOSED");
    EXPECT_TRUE(status.symbols[0].final_quote);
    EXPECT_FALSE(status.symbols[0].stale);
    EXPECT_NE(status_html(status).find("final, market closed"), std::string::npos);
}

TEST_F(Prefetch, TheWatchlistIsSavedAndLoadedAgain) {
    source_.open();
    service("").quote("MSFT");
    EXPECT_EQ(saved_, "MSFT 1796688000\n");
    service(saved_).quote("INTC");
    ASSERT_TRUE(prefetched(1));
    std::vector<std::string> asked = source_.asked();
    EXPECT_EQ(
        std::count(asked.begin(), asked.end(), "http://n/up/api/quote/MSFT/info?assetclass=stocks"),
        2);
}

TEST(Watchlist, ForgetsAWeekWithoutARequestAndKeepsTheLatestThousand) {
    const int64_t now = 1796688000;
    Watchlist list =
        Watchlist::loaded("OLD " + std::to_string(now - kKnownSymbolLifeSeconds - 1) + "\nNEW " +
                          std::to_string(now - kKnownSymbolLifeSeconds) + "\nbad line\n../x 5\n");
    EXPECT_EQ(list.symbols(now), std::vector<std::string>{"NEW"});
    for (size_t i = 0; i < kMaxKnownSymbols; ++i) list.note("S" + std::to_string(i), now + 1);
    std::vector<std::string> kept = list.symbols(now + 1);
    EXPECT_EQ(kept.size(), kMaxKnownSymbols);
    EXPECT_EQ(std::count(kept.begin(), kept.end(), "NEW"), 0);
}

TEST(Watchlist, AnEntryDatedInTheFutureCountsAsAskedNow) {
    const int64_t now = 1796688000;
    Watchlist list = Watchlist::loaded("LATER " + std::to_string(now + 365 * 24 * 3600) + "\n");
    EXPECT_EQ(list.symbols(now), std::vector<std::string>{"LATER"});
    EXPECT_TRUE(list.symbols(now + kKnownSymbolLifeSeconds + 1).empty());
}

TEST(Watchlist, AStoredListOfMoreThanAThousandKeepsItsLatest) {
    std::string text;
    for (size_t i = 0; i <= kMaxKnownSymbols; ++i) text += "S" + std::to_string(i) + " 1000\n";
    std::string kept = Watchlist::loaded(text).saved();
    EXPECT_EQ(std::count(kept.begin(), kept.end(), '\n'), static_cast<long>(kMaxKnownSymbols));
    EXPECT_EQ(kept.find("S0 "), std::string::npos);
}

// A ticker walks its list in the same order each time; prefetched in the
// order of the last walk, each quote is ready about when it is asked for.
TEST(Watchlist, GivesTheSymbolsInTheOrderTheyWereLastAskedAlsoAfterARestart) {
    Watchlist list;
    for (const char *symbol : {"W2", "W10", "W1", "W3"}) list.note(symbol, 1000);
    list.note("W10", 1001);
    const std::vector<std::string> walked = {"W2", "W1", "W3", "W10"};
    EXPECT_EQ(list.symbols(1001), walked);
    EXPECT_EQ(Watchlist::loaded(list.saved()).symbols(1001), walked);
}

TEST(Watchlist, IsSavedAgainForANewSymbolOrAnHourLater) {
    Watchlist list;
    EXPECT_TRUE(list.note("MSFT", 1000));
    list.saved();
    EXPECT_FALSE(list.note("MSFT", 1000 + 3599));
    EXPECT_TRUE(list.note("MSFT", 1000 + 3600));
    EXPECT_TRUE(list.note("INTC", 1000));
}

}  // namespace

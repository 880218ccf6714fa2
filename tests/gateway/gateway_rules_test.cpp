// What the gateway answers and where its quotes come from: the request it
// accepts, its command line, and the cache, fall-over and rest rules run
// against a scripted source and a hand-moved clock.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gateway/gateway_options.h"
#include "gateway/page_request.h"
#include "gateway/quote_service.h"
#include "gateway/request_budget.h"
#include "gateway/request_slots.h"
#include "gateway/status_page.h"
#include "support/ticker_request.h"

namespace {

int status_of(const std::string &request) { return read_page_request(request).http_status; }

std::string get(const std::string &target) { return mqtest::ticker_request(target); }

TEST(PageRequest, AcceptsThePageInOriginAndAbsoluteFormForTheQuoteHost) {
    PageRequestHead head = read_page_request(get(mqtest::ticker_target("brk.b")));
    EXPECT_EQ(head.http_status, 200);
    EXPECT_EQ(head.symbol, "BRK.B");
    EXPECT_EQ(read_page_request(get("/quote.DLL?symbol=%5EGSPC")).symbol, "^GSPC");
    EXPECT_EQ(read_page_request(get("/Quote.dll?symbol=EURUSD=X")).symbol, "EURUSD=X");
}

TEST(PageRequest, WaitsForTheWholeHeadButNotBeyondItsLimit) {
    EXPECT_EQ(status_of(get("/Quote.dll?symbol=MSFT").substr(0, 40)), 0);
    EXPECT_EQ(status_of(std::string(kMaxRequestHeadBytes + 1, 'a')), 431);
    std::string long_header =
        "GET /Quote.dll?symbol=MSFT HTTP/1.1\r\nX: " + std::string(kMaxRequestHeadBytes, 'a') +
        "\r\n\r\n";
    EXPECT_EQ(status_of(long_header), 431);
}

TEST(PageRequest, RefusesEverythingElse) {
    struct Case {
        std::string request;
        int status;
    } cases[] = {
        {"CONNECT api.nasdaq.com:443 HTTP/1.1\r\n\r\n", 405},
        {"POST /Quote.dll?symbol=MSFT HTTP/1.1\r\n\r\n", 405},
        {get("http://example.com/"), 404},
        {get("http://example.com"), 404},
        {get("/Quote.dllx?symbol=MSFT"), 404},
        {get("/other/Quote.dll?symbol=MSFT"), 404},
        {get("https://x/Quote.dll?symbol=MSFT"), 400},
        {get("/Quote.dll"), 400},
        {get("/Quote.dll?mode=stock"), 400},
        {get("/Quote.dll?symbol="), 400},
        {get("/Quote.dll?symbol=ABCDEFGHIJKLMNOP"), 400},
        {get("/Quote.dll?symbol=A%26B"), 400},
        {get("/Quote.dll?symbol=A%2"), 400},
        {get("/Quote.dll?symbol=A%00"), 400},
        {get("/Quote.dll?symbol=../x"), 400},
        {"GET /Quote.dll?symbol=MSFT\r\n\r\n", 400},
        {"\r\n\r\n", 400},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(status_of(c.request), c.status) << c.request;
    }
}

// What a web page's <img> or fetch() sends, or a rebound name, is not the
// ticker's request; the ticker's own passes with or without ":80".
TEST(PageRequest, AnswersOnlyTheTickersShape) {
    const std::string host(MQ_QUOTE_HOST);
    const std::string target = mqtest::ticker_target("MSFT");
    auto request = [](const std::string &line_target, const std::string &headers) {
        return "GET " + line_target + " HTTP/1.1\r\n" + headers + "\r\n";
    };
    struct Case {
        std::string request;
        int status;
    } cases[] = {
        {request("http://" + host + "/Quote.dll?symbol=MSFT", "Host: " + host + ":80\r\n"), 200},
        {request("/Quote.dll?symbol=MSFT", "HOST: " + host + "\r\n"), 200},
        {request("/Quote.dll?symbol=MSFT", "Host: 127.0.0.1:8421\r\n"), 403},
        {request("/Quote.dll?symbol=MSFT", "Host: junk.localhost:8421\r\n"), 403},
        {request("/Quote.dll?symbol=MSFT", "Host: " + host + ":8421\r\n"), 403},
        {request("/Quote.dll?symbol=MSFT", "Host: " + host + ".evil.example\r\n"), 403},
        {request("/Quote.dll?symbol=MSFT", ""), 403},
        {request(target, "Host: " + host + "\r\nHost: " + host + "\r\n"), 403},
        {request("http://127.0.0.1:8421/Quote.dll?symbol=MSFT", "Host: " + host + "\r\n"), 403},
        {mqtest::ticker_request(target, "Origin: null\r\n"), 403},
        {mqtest::ticker_request(target, "Referer: http://127.0.0.1:8000/\r\n"), 403},
        {mqtest::ticker_request(target, "sec-fetch-mode: no-cors\r\n"), 403},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(status_of(c.request), c.status) << c.request;
    }
}

bool parse(std::vector<std::string> arguments, GatewayOptions *options, std::string *error) {
    return parse_gateway_options(arguments, options, error);
}

TEST(GatewayOptions, ReadsEveryOption) {
    GatewayOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--port",          "9000",
                       "--source",        "yahoo",
                       "--session",       "extended",
                       "--nasdaq-base",   "http://127.0.0.1:5/n/",
                       "--yahoo-base",    "https://y.example",
                       "--cache-seconds", "0",
                       "--log",           "g.log",
                       "--stop",          "--no-notify",
                       "--start-ticker",  "C:\\MQ\\Morvane Quote.exe",
                       "--listen-delay",  "60"},
                      &options, &error))
        << error;
    EXPECT_EQ(options.port, 9000);
    EXPECT_EQ(options.source, LiveSourceChoice::yahoo);
    EXPECT_EQ(options.session, SessionChoice::extended);
    EXPECT_EQ(options.nasdaq_base, "http://127.0.0.1:5/n");
    EXPECT_EQ(options.yahoo_base, "https://y.example");
    EXPECT_EQ(options.cache_seconds, 0u);
    EXPECT_EQ(options.log_file, "g.log");
    EXPECT_TRUE(options.stop);
    EXPECT_FALSE(options.notify);
    EXPECT_EQ(options.start_ticker, "C:\\MQ\\Morvane Quote.exe");
    EXPECT_EQ(options.listen_delay_seconds, 60u);
}

TEST(GatewayOptions, RefusesBadValuesAndUnknownArguments) {
    const std::vector<std::vector<std::string>> bad = {
        {"--port", "0"},
        {"--port", "65536"},
        {"--port", "80x"},
        {"--port"},
        {"--source", "google"},
        {"--session", "overnight"},
        {"--nasdaq-base", "ftp://x"},
        {"--yahoo-base", "https://"},
        {"--yahoo-base", "http://a b"},
        {"--nasdaq-base", "http://x?q=1"},
        {"--cache-seconds", "-1"},
        {"--cache-seconds", "86401"},
        {"--log", ""},
        {"--start-ticker", ""},
        {"--listen-delay", "61"},
        {"--verbose"},
        {"8421"},
    };
    for (const auto &arguments : bad) {
        GatewayOptions options;
        std::string error;
        EXPECT_FALSE(parse(arguments, &options, &error)) << arguments[0];
        EXPECT_NE(error.find(arguments[0]), std::string::npos) << error;
    }
}

// A scripted source: answers by address, counting what it was asked.
struct ScriptedSource {
    std::vector<std::string> asked;
    std::vector<uint32_t> budgets;
    uint64_t now = 1000;
    uint32_t retry_after_ms = 0;  // what a 429 asks for
    std::string body;             // when set, every good answer's body

    UpstreamAnswer answer(const std::string &url, uint32_t budget_ms) {
        asked.push_back(url);
        budgets.push_back(budget_ms);
        UpstreamAnswer answer;
        answer.kind = UpstreamAnswer::Kind::answered;
        answer.http_status = 200;
        if (url.find("/down/") != std::string::npos) {
            answer.http_status = 503;
        } else if (url.find("/limited/") != std::string::npos) {
            answer.http_status = 429;
            answer.retry_after_ms = retry_after_ms;
        } else if (url.find("/hanging/") != std::string::npos) {
            now += budget_ms;
            answer.kind = UpstreamAnswer::Kind::timed_out;
        } else if (url.find("/unknown/") != std::string::npos ||
                   (url.find("/funds/") != std::string::npos &&
                    url.find("=stocks") != std::string::npos)) {
            answer.body = R"({"data":null,"status":{"rCode":400}})";
        } else if (url.find("/api/quote/") != std::string::npos) {
            answer.body = R"({"data":{"primaryData":{"lastSalePrice":"$10.00"}}})";
        } else {
            answer.body = R"({"chart":{"result":[{"meta":{"regularMarketPrice":20.0}}]}})";
        }
        if (!body.empty() && answer.http_status == 200) answer.body = body;
        return answer;
    }
};

class QuoteRules : public testing::Test {
protected:
    QuoteService &service(const std::string &nasdaq, const std::string &yahoo,
                          LiveSourceChoice choice = LiveSourceChoice::automatic) {
        options_.nasdaq_base = "http://n/" + nasdaq;
        options_.yahoo_base = "http://y/" + yahoo;
        options_.source = choice;
        QuoteServiceHooks hooks;
        hooks.fetch = [this](const std::string &url, uint32_t budget, FetchHold) {
            return source_.answer(url, budget);
        };
        hooks.clock = [this] { return source_.now; };
        hooks.wall_clock = [this] { return static_cast<int64_t>(source_.now / 1000); };
        hooks.prefetch_workers = 0;
        hooks.save_watchlist = [this](const std::string &text) { saved_ = text; };
        service_.reset(new QuoteService(options_, std::move(hooks)));
        return *service_;
    }

    GatewayOptions options_;
    ScriptedSource source_;
    std::string saved_;  // the watchlist as last saved
    std::unique_ptr<QuoteService> service_;
};

TEST_F(QuoteRules, AQuoteIsServedFromMemoryForTheCachePeriod) {
    QuoteService &quotes = service("up", "up");
    EXPECT_EQ(quotes.quote("MSFT").outcome, "quote");
    source_.now += 59999;
    ServedQuote again = quotes.quote("MSFT");
    EXPECT_EQ(again.outcome, "cached");
    EXPECT_EQ(again.quote.last_sale, 10.0);
    EXPECT_EQ(source_.asked.size(), 1u);
    source_.now += 1;
    EXPECT_EQ(quotes.quote("MSFT").outcome, "quote");
    EXPECT_EQ(source_.asked.size(), 2u);
}

// Yahoo at night, 11 h after the close: the day's sessions begin at 4:00
// AM ET (pre) and 9:30 AM ET (regular), Tue, 8 Dec 2026.
const char kYahooAtNight[] = R"({"chart":{"result":[{"meta":{"regularMarketPrice":20.0,
    "regularMarketTime":1796677200,"exchangeTimezoneName":"America/New_York",
    "currentTradingPeriod":{"pre":{"start":1796720400,"end":1796740200},
                            "regular":{"start":1796740200,"end":1796763600},
                            "post":{"start":1796763600,"end":1796778000}}}}],"error":null}})";

TEST_F(QuoteRules, AFinalQuoteAsksNoSourceUntilTheNextSessionItStatesBegins) {
    source_.body = kYahooAtNight;
    source_.now = 1796716800ull * 1000;  // 3:00 AM ET
    QuoteService &quotes = service("up", "up", LiveSourceChoice::yahoo);
    EXPECT_EQ(quotes.quote("SPY").quote.market, "(closed)");
    source_.now = 1796740199ull * 1000;
    EXPECT_EQ(quotes.quote("SPY").outcome, "cached");
    EXPECT_EQ(source_.asked.size(), 1u);
    source_.now += 1000;
    EXPECT_EQ(quotes.quote("SPY").outcome, "quote");
    EXPECT_EQ(source_.asked.size(), 2u);

    options_.session = SessionChoice::extended;  // the pre-market counts as open
    source_.now = 1796716800ull * 1000;
    service("up", "up", LiveSourceChoice::yahoo).quote("SPY");
    source_.now = 1796720400ull * 1000;
    EXPECT_EQ(service_->quote("SPY").outcome, "quote");
}

TEST_F(QuoteRules, WithoutACacheEvenAFinalQuoteAsksTheSource) {
    options_.cache_seconds = 0;
    source_.body = kYahooAtNight;
    source_.now = 1796716800ull * 1000;
    QuoteService &quotes = service("up", "up", LiveSourceChoice::yahoo);
    quotes.quote("SPY");
    EXPECT_EQ(quotes.quote("SPY").outcome, "quote");
    EXPECT_EQ(source_.asked.size(), 2u);
}

TEST_F(QuoteRules, AutoFallsOverToYahooWithinOneBudget) {
    QuoteService &quotes = service("down", "up");
    ServedQuote served = quotes.quote("MSFT");
    EXPECT_TRUE(served.found);
    EXPECT_EQ(served.source, "yahoo");
    EXPECT_EQ(served.quote.last_sale, 20.0);
    EXPECT_EQ(served.outcome, "quote after nasdaq: http 503");

    service("hanging", "up");
    served = service_->quote("MSFT");
    EXPECT_EQ(served.source, "yahoo");
    ASSERT_EQ(source_.budgets.size(), 4u);
    EXPECT_LT(source_.budgets[2], kUpstreamBudgetMs);
    EXPECT_EQ(source_.budgets[2] + source_.budgets[3], kUpstreamBudgetMs);
}

TEST_F(QuoteRules, ARateLimitedSourceRestsWhileTheOtherAnswers) {
    QuoteService &quotes = service("limited", "up");
    EXPECT_EQ(quotes.quote("MSFT").outcome, "quote after nasdaq: rate limited (http 429)");
    source_.now += kSourceRestMs - 1;
    EXPECT_EQ(quotes.quote("INTC").outcome, "quote after nasdaq: resting");
    EXPECT_EQ(source_.asked.size(), 3u);
    source_.now += 1;
    quotes.quote("CSCO");
    EXPECT_EQ(source_.asked.size(), 5u);
}

TEST_F(QuoteRules, OneSourceOnlyNeverAsksTheOther) {
    ServedQuote served = service("down", "up", LiveSourceChoice::nasdaq).quote("MSFT");
    EXPECT_FALSE(served.found);
    EXPECT_EQ(served.outcome, "no quote: nasdaq: http 503");
    EXPECT_EQ(source_.asked.size(), 1u);
    EXPECT_EQ(service("down", "down", LiveSourceChoice::yahoo).quote("MSFT").outcome,
              "no quote: yahoo: http 503");
    EXPECT_EQ(source_.asked.size(), 2u);
}

TEST_F(QuoteRules, FailuresAreNotCached) {
    QuoteService &quotes = service("down", "down");
    EXPECT_FALSE(quotes.quote("MSFT").found);
    EXPECT_FALSE(quotes.quote("MSFT").found);
    EXPECT_EQ(source_.asked.size(), 4u);
}

TEST_F(QuoteRules, OnlyASymbolASourceQuotedJoinsTheWatchlist) {
    service("down", "down").quote("JUNK");
    EXPECT_EQ(saved_, "");
    service("up", "up").quote("MSFT");
    EXPECT_EQ(saved_, "MSFT 1\n");
}

TEST_F(QuoteRules, ASymbolEverySourceCallsUnknownIsAnsweredFromMemoryForADay) {
    QuoteService &quotes = service("unknown", "unknown", LiveSourceChoice::nasdaq);
    EXPECT_FALSE(quotes.quote("JUNK").found);
    size_t asked = source_.asked.size();
    source_.now += kUnknownSymbolMs - 1;
    EXPECT_EQ(quotes.quote("JUNK").outcome, "no quote: unknown symbol");
    EXPECT_EQ(source_.asked.size(), asked);
    source_.now += 1;
    quotes.quote("JUNK");
    EXPECT_EQ(source_.asked.size(), 2 * asked);
}

TEST_F(QuoteRules, TheStatusShowsASourceThatSpentItsBudget) {
    options_.cache_seconds = 0;
    QuoteService &quotes = service("up", "up", LiveSourceChoice::nasdaq);
    auto spent_until = [&] {
        return status_view(quotes.status(), [](uint64_t ms) { return std::to_string(ms); })
            .sources[0]
            .budget_back_at;
    };
    for (uint32_t i = 1; i < kSourceRequestBurst; ++i) quotes.quote("MSFT");
    EXPECT_EQ(spent_until(), "");
    quotes.quote("MSFT");
    EXPECT_EQ(spent_until(), std::to_string(source_.now + 60000 / kSourceRequestsPerMinute));
}

TEST(RequestBudget, SpendsTheBurstAtOnceThenOneRequestPerShareOfAMinute) {
    RequestBudget budget(kSourceRequestsPerMinute, kSourceRequestBurst);
    uint64_t now = 5000;
    for (uint32_t i = 0; i < kSourceRequestBurst; ++i) ASSERT_TRUE(budget.take(now)) << i;
    EXPECT_FALSE(budget.take(now));
    now = budget.next_at(now);
    EXPECT_EQ(now, 5000u + 60000 / kSourceRequestsPerMinute);
    EXPECT_TRUE(budget.take(now));
    EXPECT_FALSE(budget.take(now));
}

TEST(RequestBudget, AnIdleDaySavesNoMoreThanTheBurst) {
    RequestBudget budget(kSourceRequestsPerMinute, kSourceRequestBurst);
    ASSERT_TRUE(budget.take(1000));
    uint64_t now = 1000 + 24ull * 3600 * 1000;
    for (uint32_t i = 0; i < kSourceRequestBurst; ++i) ASSERT_TRUE(budget.take(now)) << i;
    EXPECT_FALSE(budget.take(now));
}

TEST(RequestSlots, AGetThatOutlivesItsCallerKeepsItsSlotUntilItEnds) {
    auto slots = std::make_shared<RequestSlots>(1, [] { return uint64_t{1000}; });
    std::vector<FetchHold> getting;
    for (size_t i = 0; i < kRequestsPerSource; ++i) {
        FetchHold caller;
        ASSERT_EQ(slots->take(0, 1000, true, &caller), RequestSlots::Wait::taken);
        getting.push_back(caller);  // the fetch thread's copy; the caller's goes
    }
    FetchHold next;
    EXPECT_EQ(slots->take(0, 1000, true, &next), RequestSlots::Wait::no_time);
    getting.pop_back();
    EXPECT_EQ(slots->take(0, 1000, true, &next), RequestSlots::Wait::taken);
}

TEST(RetryAfter, ReadsSecondsAndHttpDates) {
    const int64_t now = 1796688000;  // Tue, 08 Dec 2026 00:00:00 GMT
    EXPECT_EQ(retry_after_ms("120", now), 120000u);
    EXPECT_EQ(retry_after_ms("Tue, 08 Dec 2026 00:10:00 GMT", now), 600000u);
    EXPECT_EQ(retry_after_ms("Mon, 07 Dec 2026 23:59:00 GMT", now), 0u);
    for (const char *bad : {"", "-5", "soon", "Tue, 08 Dex 2026 00:10:00 GMT", "1e3"}) {
        EXPECT_EQ(retry_after_ms(bad, now), 0u) << bad;
    }
}

TEST_F(QuoteRules, ARetryAfterSetsTheRestWithinItsBounds) {
    source_.retry_after_ms = 24 * 3600 * 1000;
    QuoteService &quotes = service("limited", "up");
    quotes.quote("MSFT");
    source_.now += kLongestSourceRestMs - 1;
    EXPECT_EQ(quotes.quote("INTC").outcome, "quote after nasdaq: resting");
    source_.now += 1;
    EXPECT_EQ(quotes.quote("CSCO").outcome, "quote after nasdaq: rate limited (http 429)");
}

TEST_F(QuoteRules, WhatOnlyYahooListsGoesToYahooAlone) {
    QuoteService &quotes = service("up", "up");
    for (const char *symbol : {"VOD.L", "^TNX", "EURUSD=X", "BTC-USD"}) {
        EXPECT_EQ(quotes.quote(symbol).source, "yahoo") << symbol;
    }
    EXPECT_EQ(source_.asked.size(), 4u);
    EXPECT_EQ(quotes.quote("BRK.B").source, "nasdaq");
}

TEST_F(QuoteRules, AFundNasdaqDoesNotKnowAsAStockIsAskedOfYahooFirstForADay) {
    options_.cache_seconds = 0;
    QuoteService &quotes = service("funds", "up");
    EXPECT_EQ(quotes.quote("SPY").outcome, "quote after nasdaq: unknown symbol");
    EXPECT_EQ(quotes.quote("SPY").outcome, "quote");
    EXPECT_EQ(source_.asked.size(), 3u);
    source_.now += kPreferredSourceMs;
    EXPECT_EQ(quotes.quote("SPY").outcome, "quote after nasdaq: unknown symbol");
}

TEST_F(QuoteRules, NasdaqAloneAsksTheNextAssetClassOnlyWhenTheSymbolDoesNotExist) {
    options_.cache_seconds = 0;
    QuoteService &quotes = service("funds", "up", LiveSourceChoice::nasdaq);
    ServedQuote served = quotes.quote("SPY");
    EXPECT_TRUE(served.found);
    EXPECT_EQ(served.quote.detail_url, "https://www.nasdaq.com/market-activity/etf/spy");
    quotes.quote("SPY");
    ASSERT_EQ(source_.asked.size(), 3u);
    EXPECT_EQ(source_.asked[2], "http://n/funds/api/quote/SPY/info?assetclass=etf");
    service("down", "up", LiveSourceChoice::nasdaq).quote("SPY");
    EXPECT_EQ(source_.asked.size(), 4u);
    service("up", "up", LiveSourceChoice::nasdaq).quote("MSFT");
    EXPECT_EQ(source_.asked.back(), "http://n/up/api/quote/MSFT/info?assetclass=stocks");
}

}  // namespace

namespace {

TEST_F(QuoteRules, TheStatusTellsEachSourcesStateAndEachSymbolsLastOutcome) {
    QuoteService &quotes = service("limited", "hanging");
    quotes.quote("MSFT");
    auto time_text = [](uint64_t ms) { return std::to_string(ms); };
    GatewayStatus status = status_view(quotes.status(), time_text);
    ASSERT_EQ(status.sources.size(), 2u);
    EXPECT_EQ(status.sources[0].state, SourceState::resting);
    EXPECT_EQ(status.sources[0].resting_until, std::to_string(1000 + kSourceRestMs));
    EXPECT_EQ(status.sources[0].last_error, "rate limited (http 429)");
    EXPECT_EQ(status.sources[1].state, SourceState::failing);
    EXPECT_EQ(status.sources[1].last_error, "time-out");
    EXPECT_EQ(status.sources[1].answers_last_hour, 1u);
    ASSERT_EQ(status.symbols.size(), 1u);
    EXPECT_FALSE(status.symbols[0].has_quote);
    EXPECT_TRUE(status.symbols[0].failing);
    EXPECT_EQ(status.symbols[0].last_outcome,
              "no quote: nasdaq: rate limited (http 429); yahoo: time-out");

    service("up", "up").quote("MSFT");
    source_.now += 61000;
    status = status_view(service_->status(), time_text);
    EXPECT_EQ(status.sources[0].state, SourceState::answering);
    EXPECT_EQ(status.sources[0].quotes_last_hour, 1u);
    EXPECT_EQ(status.sources[1].state, SourceState::idle);
    EXPECT_EQ(status.symbols[0].last_sale, 10.0);
    EXPECT_EQ(status.symbols[0].source, "nasdaq");
    EXPECT_EQ(status.symbols[0].age_seconds, 61u);
    EXPECT_TRUE(status.symbols[0].stale);
}

}  // namespace

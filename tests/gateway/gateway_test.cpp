// Morvane Quote Gateway.exe for real: started as its own process in the test
// prefix, its sources played by tests/gateway/fake_source.py, its pages read
// through the real plug-in and page fetch, and behind the real tray program.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app_test_support.h"
#include "gateway/gateway_limits.h"
#include "gateway/gateway_options.h"
#include "gateway/clocks.h"
#include "gateway/watchlist_store.h"
#include "plugin/quote_request_checks.h"
#include "program_process.h"
#include "support/gateway_process.h"
#include "support/loopback.h"
#include "support/settings_key.h"
#include "support/ticker_request.h"
#include "support/win32_test_support.h"

namespace {

const DWORD kStartTimeoutMs = 30000;
// How long the fake source takes to answer a watchlist symbol (W1, W2, ...).
const DWORD kWatchlistDelayMs = 500;
// Both sources at a port where nothing answers.
const DWORD kDeadSource = 1;

size_t count_of(const std::string &text, const std::string &part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The fake source's requests so far, one request line each.
std::string source_requests() { return mqtest::file_text(MQ_FAKE_SOURCE_LOG_FILE); }

// Sends `request` as it stands and reads the answer until the gateway
// closes; empty when nothing listens.
std::string exchange(DWORD port, const std::string &request) {
    SOCKET client = mqtest::connect_to("127.0.0.1", port);
    if (client == INVALID_SOCKET) return "";
    send(client, request.data(), static_cast<int>(request.size()), 0);
    shutdown(client, SD_SEND);
    std::string answer;
    char chunk[4096];
    int count;
    while ((count = recv(client, chunk, sizeof(chunk), 0)) > 0) answer.append(chunk, count);
    closesocket(client);
    return answer;
}

// Another program listening on a loopback port of its own choosing.
class PortHolder {
public:
    PortHolder() : socket_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_, reinterpret_cast<sockaddr *>(&address), sizeof(address));
        listen(socket_, 1);
        int size = sizeof(address);
        getsockname(socket_, reinterpret_cast<sockaddr *>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~PortHolder() { closesocket(socket_); }
    PortHolder(const PortHolder &) = delete;
    PortHolder &operator=(const PortHolder &) = delete;
    DWORD port() const { return port_; }

private:
    SOCKET socket_;
    DWORD port_ = 0;
};

class Gateway : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(mqtest::number_in_file(MQ_FAKE_SOURCE_PORT_FILE), 0u) << MQ_FAKE_SOURCE_PORT_FILE;
        log_path_ =
            mqtest::temp_path("gateway-test-" + std::to_string(GetCurrentProcessId()) + ".log");
        DeleteFileA(log_path_.c_str());
        // Each case starts with a gateway that knows no symbol yet.
        RegDeleteKeyA(HKEY_CURRENT_USER, GATEWAY_REGISTRY_KEY);
    }

    void TearDown() override {
        EXPECT_TRUE(!gateway_ || gateway_->stop()) << log();
        DeleteFileA(log_path_.c_str());
    }

    // Starts the gateway against the fake source (or a dead one) and waits
    // until it listens; a second start stops the first and takes its port.
    void start(const std::string &arguments = "",
               DWORD source_port = mqtest::number_in_file(MQ_FAKE_SOURCE_PORT_FILE)) {
        gateway_.reset();  // gone before the next one takes its port
        gateway_.reset(new mqtest::GatewayProcess(source_port, arguments, port_, log_path_));
        port_ = gateway_->port();
        ASSERT_TRUE(gateway_->ready()) << log();
    }

    QuoteRequest quote(const char *symbol) { return chain_.quote(symbol, gateway_->proxy()); }
    std::string log() const { return mqtest::file_text(log_path_); }
    // The gateway writes a request's line after its answer is sent, so a
    // reader of the answer may be a moment ahead of the log.
    bool logged(const std::string &part, DWORD timeout_ms = 5000) const {
        return mqtest::wait_until([&] { return log().find(part) != std::string::npos; },
                                  timeout_ms);
    }

    // The ticker a gateway started, which must have started, closed.
    void close_started_ticker() {
        HWND ticker = nullptr;
        ASSERT_TRUE(mqtest::wait_until(
            [&] { return (ticker = FindWindowA("MORQUOTE", nullptr)) != nullptr; },
            kStartTimeoutMs));
        PostMessageA(ticker, WM_CLOSE, 0, 0);
        EXPECT_TRUE(mqtest::wait_until([] { return !FindWindowA("MORQUOTE", nullptr); }, 10000));
    }

    DWORD port_ = 0;
    std::string log_path_;
    std::unique_ptr<mqtest::GatewayProcess> gateway_;
    mqtest::QuoteChain chain_;
};

TEST_F(Gateway, EachSourcesQuoteReachesThePluginWhole) {
    ASSERT_EQ(chain_.problem(), "");
    start();
    expect_out_fields(quote("MSFT"),
                      {315.44f, 316.22f, 316.53f, 308.16f, 45678901u, "NASDAQ-GS (closed)",
                       "https://www.nasdaq.com/market-activity/stocks/msft"});
    // BRK.B is unknown to the Nasdaq fake.
    expect_out_fields(quote("BRK.B"), {480.25f, 478.0f, 481.0f, 477.5f, 3456789u, "NYSE",
                                       "https://finance.yahoo.com/quote/BRK-B"});
    QuoteRequest unchanged = quote("UNCHGD");
    EXPECT_EQ(unchanged.last_sale, 12.5f);
    EXPECT_EQ(unchanged.previous_close, 12.5f);
    EXPECT_EQ(unchanged.volume, 0u);

    QuoteRequest hostile = quote("INJECT");
    EXPECT_EQ(hostile.last_sale, 10.0f);
    EXPECT_STREQ(hostile.market, "Last Sale:&nbsp;99 bx/b (closed)");
}

// Every symbol as the ticker sends it, against answers in the shapes the
// sources really give: the regular session's figures, the listing's own
// spelling and currency, and no Nasdaq request for what only Yahoo lists.
TEST_F(Gateway, RecordedShapesReachThePluginAsTheRegularSession) {
    start();
    const struct {
        const char *symbol;
        float last_sale;
        float previous_close;
        const char *market;
        const char *detail_url;
    } cases[] = {
        {"AAPL", 224.31f, 222.42f, "NASDAQ-GS",
         "https://www.nasdaq.com/market-activity/stocks/aapl"},
        {"NVDA", 182.41f, 183.78f, "NASDAQ-GS (closed)",
         "https://www.nasdaq.com/market-activity/stocks/nvda"},
        {"TSLA", 400.55f, 405.39f, "NASDAQ-GS (closed)",
         "https://www.nasdaq.com/market-activity/stocks/tsla"},
        {"INTC", 52.70f, 53.51f, "NASDAQ-GS (closed)",
         "https://www.nasdaq.com/market-activity/stocks/intc"},
        {"SPY", 683.22f, 680.11f, "NYSEArca", "https://finance.yahoo.com/quote/SPY"},
        {"VOD.L", 96.52f, 95.9f, "LSE (GBp)", "https://finance.yahoo.com/quote/VOD.L"},
        {"RY.TO", 171.44f, 170.9f, "Toronto (CAD)", "https://finance.yahoo.com/quote/RY.TO"},
        {"^GSPC", 6850.12f, 6831.02f, "SNP", "https://finance.yahoo.com/quote/%5EGSPC"},
        {"EURUSD=X", 1.1642f, 1.1655f, "CCY", "https://finance.yahoo.com/quote/EURUSD=X"},
        {"BTC-USD", 91234.56f, 90105.4f, "CCC", "https://finance.yahoo.com/quote/BTC-USD"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.symbol);
        QuoteRequest quoted = quote(c.symbol);
        EXPECT_FLOAT_EQ(quoted.last_sale, c.last_sale);
        EXPECT_FLOAT_EQ(quoted.previous_close, c.previous_close);
        EXPECT_STREQ(quoted.market, c.market);
        EXPECT_STREQ(quoted.detail_url, c.detail_url);
    }
    for (const char *yahoo_only : {"VOD.L", "%5EGSPC", "EURUSD=X", "BTC-USD"}) {
        EXPECT_EQ(count_of(source_requests(), std::string("/api/quote/") + yahoo_only + "/"), 0u)
            << yahoo_only;
    }
}

// TSLA's answer is after hours: the regular session's close by default,
// the after-hours trade against that close on request; the day's range and
// volume are the regular session's either way.
TEST_F(Gateway, AnAfterHoursAnswerReachesThePluginAsEachSessionChoiceSays) {
    const struct {
        const char *arguments;
        float last_sale;
        float previous_close;
        const char *market;
    } cases[] = {
        {"", 400.55f, 405.39f, "NASDAQ-GS (closed)"},
        {"--session extended", 402.10f, 400.55f, "NASDAQ-GS (after hours)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments);
        start(c.arguments);
        QuoteRequest quoted = quote("TSLA");
        EXPECT_FLOAT_EQ(quoted.last_sale, c.last_sale);
        EXPECT_FLOAT_EQ(quoted.previous_close, c.previous_close);
        EXPECT_FLOAT_EQ(quoted.todays_high, 410.75f);
        EXPECT_FLOAT_EQ(quoted.todays_low, 398.20f);
        EXPECT_EQ(quoted.volume, 71839112u);
        EXPECT_STREQ(quoted.market, c.market);
        printf(
            "[ measured ] TSLA after hours%s%s: last sale %.2f, previous close %.2f, high %.2f, "
            "low %.2f, volume %lu, market \"%s\"\n",
            *c.arguments ? " with " : "", c.arguments, quoted.last_sale, quoted.previous_close,
            quoted.todays_high, quoted.todays_low, static_cast<unsigned long>(quoted.volume),
            quoted.market);
    }
}

TEST_F(Gateway, AutoFallsOverOnServerErrorRedirectRateLimitTimeOutBadJsonAndTooLarge) {
    start();
    const struct {
        const char *symbol;
        float yahoo_last_sale;
        const char *nasdaq_failure;
    } cases[] = {{"DOWN", 20.5f, "http 503"},         {"SLOW", 40.5f, "time-out"},
                 {"BADJSON", 50.5f, "malformed"},     {"MOVED", 60.5f, "http 302"},
                 {"HUGE", 10.0f, "answer too large"}, {"LIMIT", 30.5f, "rate limited (http 429)"}};
    for (const auto &c : cases) {
        DWORD started = GetTickCount();
        EXPECT_EQ(quote(c.symbol).last_sale, c.yahoo_last_sale) << c.symbol;
        EXPECT_LT(GetTickCount() - started, 8500u) << c.symbol;
        std::string line =
            std::string(c.symbol) + "\tyahoo\tquote after nasdaq: " + c.nasdaq_failure + "\t";
        EXPECT_TRUE(logged(line)) << log();
    }
    // Nasdaq rests after its 429: the next symbol goes to Yahoo alone.
    size_t asked_before = count_of(source_requests(), "/api/quote/MSFT/");
    EXPECT_EQ(quote("MSFT").last_sale, 315.5f);
    EXPECT_EQ(count_of(source_requests(), "/api/quote/MSFT/"), asked_before);
    EXPECT_TRUE(logged("MSFT\tyahoo\tquote after nasdaq: resting\t")) << log();
}

TEST_F(Gateway, ASecondRequestWithinTheCachePeriodAsksNoSource) {
    start("--source yahoo");
    size_t yahoo_before = count_of(source_requests(), "/chart/MSFT?");
    size_t nasdaq_before = count_of(source_requests(), "/api/quote/MSFT/");
    EXPECT_EQ(quote("MSFT").last_sale, 315.5f);
    EXPECT_EQ(quote("MSFT").last_sale, 315.5f);
    EXPECT_EQ(count_of(source_requests(), "/chart/MSFT?"), yahoo_before + 1);
    EXPECT_EQ(count_of(source_requests(), "/api/quote/MSFT/"), nasdaq_before);
    EXPECT_TRUE(logged("MSFT\tyahoo\tcached\t")) << log();
}

// Also the figure for one quote that the source has to answer.
TEST_F(Gateway, WithoutCacheEveryQuoteAsksTheSource) {
    start("--cache-seconds 0");
    size_t asked_before = count_of(source_requests(), "/api/quote/MSFT/");
    std::vector<DWORD> times;
    for (int i = 0; i < 100; ++i) {
        DWORD started = GetTickCount();
        EXPECT_EQ(quote("MSFT").last_sale, 315.44f);
        times.push_back(GetTickCount() - started);
    }
    EXPECT_EQ(count_of(source_requests(), "/api/quote/MSFT/"), asked_before + 100);
    std::sort(times.begin(), times.end());
    printf(
        "[ measured ] one quote through the real plug-in, page fetch and gateway from the fake "
        "source: median %lu ms, slowest %lu ms (of 100)\n",
        times[50], times[99]);
}

std::string status_of_quote(DWORD port, const char *symbol) {
    // Parenthesized: the std::string argument would bring std::exchange in.
    return (exchange)(port, mqtest::ticker_request(mqtest::ticker_target(symbol))).substr(0, 12);
}

// Concurrent clients against a source that must answer each of them once
// stalled the accept loop for good; idle connections must not hold it either.
TEST_F(Gateway, ClientsAtOnceAndIdleConnectionsNeverStallIt) {
    start("--cache-seconds 0");
    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < 8; ++c) {
        clients.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
                answered += status_of_quote(port_, "MSFT") == "HTTP/1.1 200";
        });
    }
    for (std::thread &client : clients) client.join();
    EXPECT_EQ(answered, 8 * 50);

    // A full house of them: the oldest makes room for the ticker.
    std::vector<SOCKET> silent;
    for (int i = 0; i < kMaxConnections; ++i) {
        silent.push_back(mqtest::connect_to("127.0.0.1", port_));
    }
    EXPECT_EQ(status_of_quote(port_, "MSFT"), "HTTP/1.1 200");
    for (SOCKET socket : silent) closesocket(socket);
}

// The fake source's load since last asked: the most requests at once, how
// many came, how many are in progress now.
struct SourceLoad {
    int peak = -1, requests = -1, now = -1;
};

SourceLoad source_load() {
    std::string answer = (exchange)(mqtest::number_in_file(MQ_FAKE_SOURCE_PORT_FILE),
                                    "GET /peak HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    SourceLoad load;
    size_t body = answer.find("\r\n\r\n");
    if (body != std::string::npos) {
        sscanf(answer.c_str() + body + 4, "%d %d %d", &load.peak, &load.requests, &load.now);
    }
    return load;
}

struct AskedAtOnce {
    int without_quote = 0;  // answered with a page without quote
    DWORD slowest_ms = 0;   // the longest any client waited
};

// Asks for SYMBOL1..SYMBOLcount at once.
AskedAtOnce ask_at_once(DWORD port, const std::string &symbol, int count) {
    std::atomic<int> without_quote{0};
    std::atomic<DWORD> slowest_ms{0};
    std::vector<std::thread> clients;
    for (int c = 1; c <= count; ++c) {
        clients.emplace_back([&, c] {
            DWORD started = GetTickCount();
            std::string status = status_of_quote(port, (symbol + std::to_string(c)).c_str());
            without_quote += status == "HTTP/1.1 502";
            DWORD took = GetTickCount() - started;
            for (DWORD seen = slowest_ms;
                 took > seen && !slowest_ms.compare_exchange_weak(seen, took);) {
            }
        });
    }
    for (std::thread &client : clients) client.join();
    return {without_quote, slowest_ms};
}

// A hostile source's 1 MiB of '[' for 40 symbols at once: once took the
// 32-bit gateway past its whole address space. It must stay up, answer each
// within its budget (no quote, 502) and keep its memory small.
TEST_F(Gateway, FortyDeeplyNestedAnswersAtOnceLeaveItUpAndSmall) {
    const size_t kMostGrowthBytes = 64u << 20;
    start();
    size_t idle = gateway_->peak_memory_bytes();
    ASSERT_NE(idle, 0u) << "the gateway's memory cannot be read";
    AskedAtOnce asked = ask_at_once(port_, "DEEP", 40);
    size_t peak = gateway_->peak_memory_bytes();
    printf(
        "[ measured ] 40 answers of 1 MiB of '[' at once: peak %zu MB, %zu MB when idle, "
        "slowest answer %lu ms\n",
        peak >> 20, idle >> 20, asked.slowest_ms);
    EXPECT_EQ(asked.without_quote, 40);
    EXPECT_LE(asked.slowest_ms, kUpstreamBudgetMs);
    EXPECT_LT(peak - idle, kMostGrowthBytes);
    EXPECT_EQ(status_of_quote(port_, "MSFT"), "HTTP/1.1 200");
}

// Twelve fetches abandoned at the budget, then twelve more, once met a
// source that trickles its headers with eighteen connections: a slot came
// back when its caller stopped waiting, not when its GET ended.
TEST_F(Gateway, ASourceThatTricklesItsHeadersSeesAtMostSixConnections) {
    start("--source nasdaq --cache-seconds 0");
    // What earlier cases left the source doing ends first.
    ASSERT_TRUE(mqtest::wait_until([] { return source_load().now == 0; }, 30000));
    for (int round = 1; round <= 2; ++round) {
        AskedAtOnce asked = ask_at_once(port_, "TRICKLE", 12);
        printf("[ measured ] trickled headers, round %d of 12 requests: slowest answer %lu ms\n",
               round, asked.slowest_ms);
        EXPECT_EQ(asked.without_quote, 12);
        EXPECT_LE(asked.slowest_ms, kUpstreamBudgetMs + 1500);
    }
    SourceLoad load = source_load();
    printf(
        "[ measured ] trickled headers, 2 x 12 requests: %d connections at once, %d in all, "
        "%d still open once every client had its answer\n",
        load.peak, load.requests, load.now);
    EXPECT_LE(load.peak, static_cast<int>(kRequestsPerSource));
}

// --stop while eight requests wait on a source that answers after 20 s:
// each client gets its page first, and --stop returns once the gateway's
// process is gone.
TEST_F(Gateway, StopAnswersWhatWaitsThenEndsTheProcess) {
    start("--cache-seconds 0");
    std::atomic<DWORD> last_answer_at{0};
    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (int c = 1; c <= 8; ++c) {
        clients.emplace_back([&, c] {
            answered +=
                status_of_quote(port_, ("SLOW" + std::to_string(c)).c_str()) == "HTTP/1.1 502";
            DWORD now = GetTickCount();
            if (now > last_answer_at) last_answer_at = now;
        });
    }
    ASSERT_TRUE(mqtest::wait_until([] { return count_of(source_requests(), "/SLOW") >= 8; },
                                   kUpstreamBudgetMs));
    DWORD stop_started = GetTickCount();
    DWORD stop_exit = gateway_->run("--stop");
    DWORD stop_returned = GetTickCount();
    bool gone = !gateway_->running();
    for (std::thread &client : clients) client.join();
    printf(
        "[ measured ] --stop with 8 requests waiting: returned after %lu ms, the last client "
        "answered %ld ms before it\n",
        stop_returned - stop_started, static_cast<long>(stop_returned - last_answer_at));
    EXPECT_EQ(stop_exit, 0u) << log();
    EXPECT_TRUE(gone);
    EXPECT_EQ(answered, 8);
    EXPECT_LE(last_answer_at, stop_returned);
    EXPECT_LT(stop_returned - stop_started, kStopWaitMs);
    gateway_.reset();
}

// The watchlist is known from the last run: the first stale quote brings
// the others along, six at a time.
TEST_F(Gateway, TenRequestsOneAfterTheOtherCostAboutTwoRoundTrips) {
    std::string watchlist;
    for (int i = 1; i <= 10; ++i)
        watchlist += "W" + std::to_string(i) + " " + std::to_string(unix_seconds()) + "\n";
    save_watchlist(watchlist);
    start();
    DWORD started = GetTickCount();
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(quote(("W" + std::to_string(i)).c_str()).last_sale, 10.0f) << i;
    }
    DWORD took = GetTickCount() - started;
    printf("[ measured ] 10 quotes one after the other, source answering after %lu ms: %lu ms\n",
           kWatchlistDelayMs, took);
    // Asked one at a time they would take ten delays; half of that leaves
    // room for a machine busy with other tests.
    EXPECT_LT(took, 5 * kWatchlistDelayMs);
    EXPECT_TRUE(logged("\tprefetch quote\t")) << log();
}

TEST_F(Gateway, UnknownSymbolsAndDeadSourcesGiveAPageWithoutQuote) {
    start();
    std::string answer = (exchange)(port_, mqtest::ticker_request(mqtest::ticker_target("NOSUCH")));
    EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 502") << answer;
    expect_out_fields_reset(quote("NOSUCH"));

    start("", kDeadSource);
    expect_out_fields_reset(quote("MSFT"));
    EXPECT_TRUE(logged("MSFT\tyahoo\tno quote: nasdaq: unreachable; yahoo: unreachable\t"))
        << log();
}

// Symbols no source knows, asked in the ticker's own shape, are not kept:
// a refresh after a restart brings none of them along.
TEST_F(Gateway, UnknownSymbolsDoNotComeBackOnLaterRefreshes) {
    start();
    for (int i = 0; i < 20; ++i) {
        std::string target = mqtest::ticker_target("JUNK" + std::to_string(i));
        EXPECT_EQ((exchange)(port_, mqtest::ticker_request(target)).substr(0, 12), "HTTP/1.1 502");
    }
    EXPECT_EQ(quote("MSFT").last_sale, 315.44f);
    size_t asked = count_of(source_requests(), "/JUNK");
    EXPECT_GE(asked, 20u);
    start();
    EXPECT_EQ(quote("MSFT").last_sale, 315.44f);
    // Room for a prefetch that should not come.
    Sleep(1000);
    EXPECT_EQ(count_of(source_requests(), "/JUNK"), asked);
    std::string problem;
    EXPECT_EQ(load_watchlist(&problem).find("JUNK"), std::string::npos);
}

TEST_F(Gateway, RefusesAllButTheQuotePageAndAsksNoSource) {
    start();
    std::string before = source_requests();
    const struct {
        std::string request;
        const char *status;
    } cases[] = {
        {"GET http://example.com/index.html HTTP/1.1\r\nHost: example.com\r\n\r\n", "404"},
        {"CONNECT api.nasdaq.com:443 HTTP/1.1\r\nHost: api.nasdaq.com:443\r\n\r\n", "405"},
        {"POST /Quote.dll?symbol=MSFT HTTP/1.1\r\nContent-Length: 0\r\n\r\n", "405"},
        {mqtest::ticker_request("/Quote.dll?symbol=MSFT",
                                "Cookie: " + std::string(9000, 'c') + "\r\n"),
         "431"},
        {mqtest::ticker_request("/Quote.dll?symbol=MS%20FT"), "400"},
        {mqtest::ticker_request("/Quote.dll?symbol=ABCDEFGHIJKLMNOP"), "400"},
        {mqtest::ticker_request("/Quote.dll?symbol=MSFT%2F..%2F"), "400"},
        {mqtest::ticker_request("/Quote.dll?symbol=MSFT", "Sec-Fetch-Site: same-site\r\n"), "403"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(exchange(port_, c.request).substr(0, 12), std::string("HTTP/1.1 ") + c.status)
            << c.request.substr(0, 60);
    }
    EXPECT_EQ(source_requests(), before);
}

TEST_F(Gateway, ListensOnTheLoopbackAddressOnly) {
    start();
    char host[256] = "";
    gethostname(host, sizeof(host));
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    addrinfo *found = nullptr;
    // 127.0.0.2 reaches this machine too, but only a socket bound to every
    // address answers there.
    std::vector<std::string> others = {"127.0.0.2"};
    if (getaddrinfo(host, nullptr, &hints, &found) == 0) {
        for (addrinfo *entry = found; entry != nullptr; entry = entry->ai_next) {
            std::string address =
                inet_ntoa(reinterpret_cast<sockaddr_in *>(entry->ai_addr)->sin_addr);
            if (address != "127.0.0.1") others.push_back(address);
        }
        freeaddrinfo(found);
    }
    for (const std::string &address : others) {
        SOCKET client = mqtest::connect_to(address.c_str(), port_);
        EXPECT_EQ(client, INVALID_SOCKET) << "the gateway answers on " << address;
        if (client != INVALID_SOCKET) closesocket(client);
    }
    EXPECT_NE(exchange(port_, "GET / HTTP/1.1\r\n\r\n"), "");
}

TEST_F(Gateway, StopEndsTheGatewayOnItsPortOnly) {
    start();
    EXPECT_EQ(gateway_->run("--stop --port " + std::to_string(mqtest::free_loopback_port())), 1u);
    EXPECT_NE(exchange(port_, "GET / HTTP/1.1\r\n\r\n"), "");
    EXPECT_TRUE(gateway_->stop());
    EXPECT_EQ(exchange(port_, "GET / HTTP/1.1\r\n\r\n"), "");
    EXPECT_EQ(gateway_->run("--stop"), 1u);
    gateway_.reset();
    EXPECT_NE(log().find("No gateway is running on port"), std::string::npos) << log();
}

TEST_F(Gateway, APortInUseOrABadArgumentStartsNothing) {
    start();
    EXPECT_EQ(gateway_->run(""), 1u);  // a second gateway on the same port
    EXPECT_NE(log().find("already running on port"), std::string::npos) << log();

    {
        PortHolder holder;
        EXPECT_EQ(gateway_->run("--port " + std::to_string(holder.port())), 1u);
    }
    EXPECT_NE(log().find(" is in use by another program"), std::string::npos) << log();

    EXPECT_EQ(gateway_->run("--cache-seconds soon"), 2u);
    EXPECT_NE(log().find("--cache-seconds \"soon\" is not valid"), std::string::npos) << log();

    // With no log and no standard error, the message comes in a box.
    apptest::ProgramProcess bare(mqtest::deliverable_path(GATEWAY_FILE_NAME),
                                 mqtest::deliverable_dir(), "--what");
    HWND box = bare.wait_for_window("#32770", kStartTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(apptest::window_text(box), "Morvane Quote Gateway");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(bare.wait_for_exit(), 2u);
}

// The real tray program with the gateway as its proxy.
class GatewayBehindTheTicker : public Gateway {
protected:
    void SetUp() override {
        Gateway::SetUp();
        mqtest::delete_store();
    }
    void TearDown() override {
        mqtest::delete_store();
        Gateway::TearDown();
    }

    // Runs the program until the gateway has answered every symbol once.
    void run_ticker(const std::vector<QuoteRecord> &records) {
        mqtest::seed_settings(records, "127.0.0.1", port_);
        apptest::ProgramProcess program(mqtest::deliverable_path(APP_PROGRAM_FILE_NAME),
                                        mqtest::deliverable_dir());
        ASSERT_TRUE(program.started());
        auto all_answered = [&] {
            std::string text = log();
            for (const QuoteRecord &record : records) {
                if (text.find(std::string("\t") + record.symbol + "\t") == std::string::npos)
                    return false;
            }
            return true;
        };
        ASSERT_TRUE(mqtest::wait_until(all_answered, 60000)) << log();
        HWND window = program.wait_for_window("MORQUOTE", kStartTimeoutMs);
        ASSERT_NE(window, nullptr);
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.wait_for_exit(), 0u);
    }
};

QuoteRecord old_quote(const char *symbol) {
    QuoteRecord record = mqtest::make_record(symbol);
    record.last_sale = 7.5f;
    record.previous_close = 7.25f;
    record.volume = 1234;
    record.updated.year = 2020;
    record.updated.month = 3;
    record.updated.day = 16;
    snprintf(record.market, sizeof(record.market), "%s", "OLD");
    return record;
}

TEST_F(GatewayBehindTheTicker, StoresTheSourcesQuoteAndKeepsTheOldOneForAnUnknownSymbol) {
    start();
    std::vector<QuoteRecord> seeded = {mqtest::make_record("MSFT"), old_quote("NOSUCH")};
    run_ticker(seeded);
    std::vector<QuoteRecord> stored = mqtest::stored_records();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].last_sale, 315.44f);
    EXPECT_EQ(stored[0].previous_close, 316.22f);
    EXPECT_EQ(stored[0].todays_high, 316.53f);
    EXPECT_EQ(stored[0].todays_low, 308.16f);
    EXPECT_EQ(stored[0].volume, 45678901u);
    EXPECT_STREQ(stored[0].market, "NASDAQ-GS (closed)");
    EXPECT_STREQ(stored[0].detail_url, "https://www.nasdaq.com/market-activity/stocks/msft");
    EXPECT_TRUE(apptest::is_today(stored[0].updated));
    EXPECT_EQ(memcmp(&stored[1], &seeded[1], sizeof(QuoteRecord)), 0) << "NOSUCH was changed";
}

TEST_F(GatewayBehindTheTicker, ADeadSourceLeavesTheStoredQuoteAlone) {
    start("", kDeadSource);
    std::vector<QuoteRecord> seeded = {old_quote("MSFT")};
    run_ticker(seeded);
    std::vector<QuoteRecord> stored = mqtest::stored_records();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(memcmp(&stored[0], &seeded[0], sizeof(QuoteRecord)), 0) << "MSFT was changed";
}

// As at a log-on whose disk is busy: the gateway is slow to listen, and the
// ticker it starts still gets its first refresh's quote from it.
TEST_F(GatewayBehindTheTicker, AGatewayHeldBackStartsTheTickerOnlyOnceItListens) {
    port_ = mqtest::free_loopback_port();
    mqtest::seed_settings({old_quote("MSFT")}, "127.0.0.1", port_);
    start("--listen-delay 5 --start-ticker \"" + mqtest::deliverable_path(APP_PROGRAM_FILE_NAME) +
          "\"");
    auto first_quote_stored = [] {
        std::vector<QuoteRecord> stored = mqtest::stored_records();
        return stored.size() == 1 && stored[0].last_sale == 315.44f;
    };
    EXPECT_TRUE(mqtest::wait_until(first_quote_stored, 60000)) << log();
    close_started_ticker();
}

// The ticker starts whatever keeps the gateway from listening: another
// gateway that serves it, or another program on the port (said in a balloon).
TEST_F(GatewayBehindTheTicker, AGatewayThatCannotListenStillStartsTheTicker) {
    start();
    std::string ticker =
        " --start-ticker \"" + mqtest::deliverable_path(APP_PROGRAM_FILE_NAME) + "\"";
    EXPECT_EQ(gateway_->run(ticker), 1u);
    close_started_ticker();
    PortHolder holder;
    EXPECT_EQ(gateway_->run("--port " + std::to_string(holder.port()) + ticker), 1u);
    close_started_ticker();
    EXPECT_NE(log().find(" is in use by another program"), std::string::npos) << log();
}

}  // namespace

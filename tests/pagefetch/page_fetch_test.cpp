// The real Morvane Quote Utilities.dll, loaded by file name and called through
// its export, against the local quote server (used as the HTTP proxy, since a
// direct fetch always goes to port 80).
#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "pagefetch/page_fetch.h"
#include "plugin/quote_plugin.h"
#include "support/win32_test_support.h"

namespace {

const uint32_t kUrlSize = 1024;
const size_t kGuardBytes = 64;
const unsigned char kGuard = 0xA5;
const DWORD kReceiveTimeoutMs = 10000;
const DWORD kWholeFetchLimitMs = 30000;
// A page from the local server, redirects and all, takes far less.
const DWORD kQuickMs = 3000;

using mqtest::DeliverableLibrary;

DeliverableLibrary &utilities() {
    static DeliverableLibrary library(MQUTILITES_FILE_NAME);
    return library;
}

GetPageFunction get_page() {
    return utilities().resolve<GetPageFunction>(MQUTILITES_GET_PAGE_EXPORT);
}

std::string quote_server_proxy() {
    DWORD port = mqtest::number_in_file(MQ_QUOTE_SERVER_PORT_FILE);
    return port ? "127.0.0.1:" + std::to_string(port) : std::string();
}

// The host is never resolved: the quote server, as proxy, answers for any.
std::string address(const std::string &path_and_query) {
    return "http://quotes.test/" + path_and_query;
}

std::string unique_id(const char *what) {
    return std::string(what) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount());
}

// A buffer of `capacity` zero bytes (as callers hand it in) followed by guard
// bytes that must survive every call.
struct Fetch {
    std::vector<char> bytes;
    uint32_t capacity;
    uint32_t length;
    DWORD elapsed_ms;

    const char *text() const { return bytes.data(); }
    bool guard_intact() const {
        for (size_t i = capacity; i < bytes.size(); ++i) {
            if (static_cast<unsigned char>(bytes[i]) != kGuard) {
                return false;
            }
        }
        return true;
    }
};

Fetch fetch(const std::string &url, uint32_t capacity, const std::string &proxy,
            uint32_t url_size = kUrlSize, char fill = '\0') {
    Fetch result{std::vector<char>(capacity + kGuardBytes, static_cast<char>(kGuard)), capacity,
                 capacity, 0};
    std::fill(result.bytes.begin(), result.bytes.begin() + capacity, fill);
    std::vector<char> url_buffer(std::max<size_t>(url_size, url.size() + 1), '\0');
    std::copy(url.begin(), url.end(), url_buffer.begin());
    const DWORD started = GetTickCount();
    get_page()(url_buffer.data(), url_size, result.bytes.data(), &result.length, proxy.c_str());
    result.elapsed_ms = GetTickCount() - started;
    return result;
}

// What the quote server's /test/body page holds: 'a' to 'z' over and over.
std::string body_text(size_t size) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>('a' + i % 26);
    }
    return text;
}

void print_measure(const char *what, DWORD ms) { printf("[ measured ] %s: %lu ms\n", what, ms); }

class PageFetch : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(utilities().module(), nullptr) << "cannot load " << utilities().path();
        ASSERT_NE(get_page(), nullptr);
        proxy_ = quote_server_proxy();
        ASSERT_FALSE(proxy_.empty()) << "no quote server port in " << MQ_QUOTE_SERVER_PORT_FILE;
        DWORD flags = 0;
        if (!InternetGetConnectedState(&flags, 0)) {
            GTEST_SKIP()
                << "Wine reports no internet connection (it needs a network adapter with a "
                   "default route), so the page fetch sends nothing here";
        }
    }
    std::string proxy_;
};

TEST(UtilitiesLibrary, ExportsOnlyTheUndecoratedPageFetch) {
    ASSERT_NE(utilities().module(), nullptr) << "cannot load " << utilities().path();
    EXPECT_EQ(utilities().export_names(), std::vector<std::string>{MQUTILITES_GET_PAGE_EXPORT});
}

TEST(UtilitiesLibrary, CarriesTheProductIconAndVersion) {
    ASSERT_NE(utilities().module(), nullptr);
    EXPECT_NE(FindResourceA(utilities().module(), MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(14)),
              nullptr)
        << "icon group 101";  // RT_GROUP_ICON
    const mqtest::VersionResource version(utilities().path());
    const VS_FIXEDFILEINFO *fixed = version.fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(version.translation(), "040904e4");
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(10, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(15, 0));
    const std::pair<const char *, const char *> strings[] = {
        {"FileDescription", "Morvane Quote Utilities"},
        {"ProductName", "Morvane Quote Utilities"},
        {"ProductVersion", "1.10"},
        {"InternalName", "UTILITIES"},
        {"OriginalFilename", MQUTILITES_FILE_NAME}};
    for (const auto &entry : strings) {
        EXPECT_EQ(version.text(entry.first), entry.second) << entry.first;
    }
}

TEST_F(PageFetch, NormalPageArrivesWholeWithItsLength) {
    Fetch page = fetch(address("test/body?size=5000"), 8000, proxy_);
    ASSERT_EQ(page.length, 5000u);
    EXPECT_EQ(page.text(), body_text(5000));
    EXPECT_TRUE(page.guard_intact());
}

TEST_F(PageFetch, RequestCarriesTheAgentAndThePathUnchanged) {
    Fetch echo = fetch(address("test/echo?symbol=A&B"), 4000, proxy_);
    EXPECT_EQ(strncmp(echo.text(), "GET http://quotes.test", 22), 0) << echo.text();
    EXPECT_NE(strstr(echo.text(), "/test/echo?symbol=A&B HTTP/1.1\r\n"), nullptr) << echo.text();
    EXPECT_NE(strstr(echo.text(), "\r\nUser-Agent: MQUTILITIES\r\n"), nullptr) << echo.text();
}

// Wine sends no cache headers for the reload flag; what shows that it works
// is that a page the server allows to be cached for an hour still reaches
// the server on the second fetch.
TEST_F(PageFetch, EveryFetchReachesTheServerEvenForACacheablePage) {
    const std::string url = address("test/cacheable?id=" + unique_id("reload"));
    EXPECT_STREQ(fetch(url, 100, proxy_).text(), "hits=1");
    EXPECT_STREQ(fetch(url, 100, proxy_).text(), "hits=2");
}

struct BodyCase {
    const char *name;
    unsigned size, chunk;
    uint32_t capacity;
    uint32_t expected_length;
};

// Chunks come 150 ms apart, so WinINet reports each one on its own.
TEST_F(PageFetch, BodyIsCutBeforeTheFirstChunkThatDoesNotFit) {
    const BodyCase cases[] = {
        {"empty body", 0, 1, 100, 0},
        {"body of exactly the capacity", 1000, 250, 1000, 1000},
        {"body larger than the capacity", 2500, 300, 1000, 900},
        {"first chunk already too large", 2000, 2000, 1000, 0},
    };
    for (const BodyCase &c : cases) {
        SCOPED_TRACE(c.name);
        char query[128];
        snprintf(query, sizeof query, "test/body?size=%u&chunk=%u&delay=150", c.size, c.chunk);
        Fetch page = fetch(address(query), c.capacity, proxy_);
        EXPECT_EQ(page.length, c.expected_length);
        const size_t text_length = std::min<size_t>(c.expected_length, c.capacity - 1);
        EXPECT_EQ(page.text(), body_text(text_length));
        EXPECT_TRUE(page.guard_intact()) << "a byte was written past the capacity";
    }
}

// The quote server's /test/redirect page, answering `status` with a
// location of `to` after hops - 1 redirects back to itself.
std::string redirect_path(int status, const std::string &to, int hops = 1) {
    std::string path =
        "test/redirect?status=" + std::to_string(status) + "&hops=" + std::to_string(hops) + "&to=";
    for (unsigned char c : to) {
        char escaped[4];
        snprintf(escaped, sizeof escaped, "%%%02X", c);
        path += isalnum(c) ? std::string(1, static_cast<char>(c)) : std::string(escaped);
    }
    return path;
}

std::string moved_to(const std::string &location) { return "moved to " + location + "\n"; }

struct RedirectCase {
    const char *name;
    std::string path;
    std::string expected;  // the whole page, or its beginning when not `whole`
    bool whole;
};

TEST_F(PageFetch, RedirectsOverHttpAreFollowedFiveInARowAndOthersGiveTheirOwnBody) {
    const std::string page = body_text(600);
    const std::string page_address = "http://quotes.test/test/body?size=600";
    const std::string https_address = "https://quotes.test/test/body?size=600";
    const RedirectCase cases[] = {
        {"302 to a page on the same host", redirect_path(302, page_address), page, true},
        {"301 to a relative location", redirect_path(301, "body?size=600"), page, true},
        {"307 to another host goes through the proxy as a GET",
         redirect_path(307, "http://elsewhere.test/test/echo"), "GET http://elsewhere.test", false},
        {"the sixth redirect in a row is the page", redirect_path(308, page_address, 6),
         moved_to(page_address), true},
        {"a loop ends in a redirect", "test/redirect-loop/page", "moved to http://quotes.test",
         false},
        {"https is not followed", redirect_path(303, https_address), moved_to(https_address), true},
    };
    for (const RedirectCase &c : cases) {
        SCOPED_TRACE(c.name);
        Fetch fetched = fetch(address(c.path), 4000, proxy_);
        print_measure(c.name, fetched.elapsed_ms);
        EXPECT_LT(fetched.elapsed_ms, kQuickMs);
        const std::string text = fetched.text();
        EXPECT_EQ(text.substr(0, c.expected.size()), c.expected);
        EXPECT_EQ(text.size(), fetched.length);
        if (c.whole) {
            EXPECT_EQ(text.size(), c.expected.size());
        }
    }
}

struct SlowServerCase {
    const char *name;
    const char *path;
    DWORD at_least_ms, at_most_ms;
};

TEST_F(PageFetch, SilentAndTricklingServersReleaseTheCallerInTime) {
    const SlowServerCase cases[] = {
        {"silent after accepting", "test/hang-accept/page", kReceiveTimeoutMs - 500,
         kReceiveTimeoutMs + 1000},
        {"silent after the headers", "test/hang-headers/page", kReceiveTimeoutMs - 500,
         kReceiveTimeoutMs + 1000},
        {"trickling a byte at a time", "test/trickle/page", kWholeFetchLimitMs,
         kWholeFetchLimitMs + 1500},
    };
    for (const SlowServerCase &c : cases) {
        SCOPED_TRACE(c.name);
        Fetch page = fetch(address(c.path), 150000, proxy_);
        print_measure(c.name, page.elapsed_ms);
        EXPECT_GE(page.elapsed_ms, c.at_least_ms);
        EXPECT_LE(page.elapsed_ms, c.at_most_ms);
        // Whatever arrived is kept, zero-terminated; when nothing could be
        // received the capacity stays in length.
        if (page.length < page.capacity) {
            EXPECT_EQ(strlen(page.text()), page.length);
            EXPECT_EQ(strncmp(page.text(), "<html>", std::min<size_t>(page.length, 6)), 0);
        } else {
            EXPECT_STREQ(page.text(), "");
        }
    }
}

// A port that was free a moment ago: nobody listens there now.
unsigned short unused_port() {
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof where;
    bind(probe, reinterpret_cast<sockaddr *>(&where), sizeof where);
    getsockname(probe, reinterpret_cast<sockaddr *>(&where), &size);
    closesocket(probe);
    return ntohs(where.sin_port);
}

class Winsock {
public:
    Winsock() { WSAStartup(MAKEWORD(2, 2), &data_); }
    ~Winsock() { WSACleanup(); }

private:
    WSADATA data_;
};

TEST_F(PageFetch, RefusedConnectionReturnsPromptlyWithAnEmptyText) {
    Winsock winsock;
    const std::string refusing_proxy = "127.0.0.1:" + std::to_string(unused_port());
    Fetch page = fetch(address("test/body?size=10"), 500, refusing_proxy, kUrlSize, 'x');
    print_measure("refused connection", page.elapsed_ms);
    EXPECT_LT(page.elapsed_ms, 2000u);
    EXPECT_STREQ(page.text(), "");
    EXPECT_EQ(page.length, 500u) << "no request was sent, so length keeps the capacity";
}

struct ProcessTimeouts {
    DWORD values[3];
    bool readable[3];
};

const DWORD kTimeoutOptions[3] = {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                                  INTERNET_OPTION_SEND_TIMEOUT};

ProcessTimeouts read_process_timeouts() {
    ProcessTimeouts result{};
    for (int i = 0; i < 3; ++i) {
        DWORD size = sizeof result.values[i];
        result.readable[i] =
            InternetQueryOptionA(nullptr, kTimeoutOptions[i], &result.values[i], &size) != FALSE;
    }
    return result;
}

// Wine can read back only the connect time-out; what can be read must come
// back as it was set, whichever way the call ends.
TEST_F(PageFetch, ProcessWideTimeoutsAreRestoredOnEveryPath) {
    Winsock winsock;
    const DWORD distinctive[3] = {12345, 23456, 34567};
    for (int i = 0; i < 3; ++i) {
        DWORD value = distinctive[i];
        InternetSetOptionA(nullptr, kTimeoutOptions[i], &value, sizeof value);
    }
    const ProcessTimeouts before = read_process_timeouts();
    ASSERT_TRUE(before.readable[0]) << "the connect time-out cannot be read back";
    ASSERT_EQ(before.values[0], distinctive[0]);
    const std::pair<const char *, std::function<void()>> calls[] = {
        {"page fetched", [&] { fetch(address("test/body?size=10"), 100, proxy_); }},
        {"connection refused",
         [&] { fetch(address("x"), 100, "127.0.0.1:" + std::to_string(unused_port())); }},
        {"address without a host", [&] { fetch("http://nohost", 100, proxy_); }},
        {"capacity 0", [&] { fetch(address("x"), 0, proxy_); }},
    };
    for (const auto &call : calls) {
        SCOPED_TRACE(call.first);
        call.second();
        const ProcessTimeouts after = read_process_timeouts();
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(after.readable[i], before.readable[i]) << "option " << kTimeoutOptions[i];
            if (before.readable[i] && after.readable[i]) {
                EXPECT_EQ(after.values[i], before.values[i]) << "option " << kTimeoutOptions[i];
            }
        }
    }
}

struct UnaddressedCase {
    const char *name;
    std::string url;
    uint32_t url_size;
    uint32_t capacity;
};

TEST_F(PageFetch, WithoutHostAndPathOrCapacityNothingIsFetchedOrWritten) {
    const std::string id = unique_id("unaddressed");
    const std::string counted = address("test/cacheable?id=" + id);
    const UnaddressedCase cases[] = {
        {"no third slash", "http://quotes.test", kUrlSize, 100},
        {"third slash beyond url_size", counted, 18, 100},
        {"url_size 0", counted, 0, 100},
        {"capacity 0", counted, kUrlSize, 0},
    };
    for (const UnaddressedCase &c : cases) {
        SCOPED_TRACE(c.name);
        Fetch page = fetch(c.url, c.capacity, proxy_, c.url_size, 'x');
        EXPECT_EQ(page.length, c.capacity);
        EXPECT_EQ(std::string(page.text(), c.capacity), std::string(c.capacity, 'x'));
        EXPECT_TRUE(page.guard_intact());
    }
    EXPECT_STREQ(fetch(counted, 100, proxy_).text(), "hits=1")
        << "an unaddressed call reached the server";
}

TEST_F(PageFetch, NullBufferOrLengthIsIgnored) {
    uint32_t length = 10;
    get_page()(address("x").c_str(), kUrlSize, nullptr, &length, proxy_.c_str());
    EXPECT_EQ(length, 10u);
    char buffer[10] = "keep";
    get_page()(address("x").c_str(), kUrlSize, buffer, nullptr, proxy_.c_str());
    EXPECT_STREQ(buffer, "keep");
}

// A one-shot HTTP server on port 80 of a loopback address: the direct fetch
// always connects to port 80. Other test runs may hold 127.0.0.1:80, so a few
// other loopback addresses are tried too.
class PortEightyServer {
public:
    PortEightyServer() {
        for (const char *candidate : {"127.0.0.1", "127.0.80.1", "127.0.80.2", "127.0.80.3"}) {
            SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            sockaddr_in where{};
            where.sin_family = AF_INET;
            where.sin_port = htons(80);
            where.sin_addr.s_addr = inet_addr(candidate);
            if (bind(s, reinterpret_cast<sockaddr *>(&where), sizeof where) == 0 &&
                listen(s, 1) == 0) {
                listener_ = s;
                host_ = candidate;
                thread_ = std::thread([this] { answer_once(); });
                return;
            }
            closesocket(s);
        }
    }
    ~PortEightyServer() {
        if (thread_.joinable()) {
            thread_.join();
        }
        if (listener_ != INVALID_SOCKET) {
            closesocket(listener_);
        }
    }
    bool listening() const { return listener_ != INVALID_SOCKET; }
    const std::string &host() const { return host_; }
    // Valid after the fetch returned.
    std::string request() {
        if (thread_.joinable()) {
            thread_.join();
        }
        return request_;
    }

private:
    void answer_once() {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_, &readable);
        timeval wait{10, 0};
        if (select(0, &readable, nullptr, nullptr, &wait) != 1) {
            return;
        }
        SOCKET client = accept(listener_, nullptr, nullptr);
        DWORD timeout_ms = 5000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&timeout_ms),
                   sizeof timeout_ms);
        char chunk[1024];
        int received = 0;
        while (request_.find("\r\n\r\n") == std::string::npos &&
               (received = recv(client, chunk, sizeof chunk, 0)) > 0) {
            request_.append(chunk, received);
        }
        const char reply[] =
            "HTTP/1.1 200 OK\r\nContent-Length: 6\r\nConnection: close\r\n\r\ndirect";
        send(client, reply, sizeof reply - 1, 0);
        shutdown(client, SD_SEND);
        closesocket(client);
    }

    SOCKET listener_ = INVALID_SOCKET;
    std::string host_;
    std::thread thread_;
    std::string request_;
};

TEST_F(PageFetch, WithoutProxyTheSystemSettingsReachPortEightyDirectly) {
    Winsock winsock;
    PortEightyServer server;
    if (!server.listening()) {
        GTEST_SKIP() << "cannot listen on port 80 of any loopback address tried (needs root)";
    }
    Fetch page = fetch("http://" + server.host() + "/direct?symbol=MSFT", 100, "");
    const std::string request = server.request();
    EXPECT_STREQ(page.text(), "direct");
    EXPECT_EQ(page.length, 6u);
    EXPECT_EQ(request.rfind("GET /direct?symbol=MSFT HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: MQUTILITIES\r\n"), std::string::npos) << request;
}

TEST_F(PageFetch, RealQuoteSourceQuotesThroughThisPageFetch) {
    mqtest::QuoteChain chain;
    ASSERT_EQ(chain.problem(), "");
    auto request_for = [&](const char *symbol) { return chain.quote(symbol, proxy_); };
    const QuoteRequest msft = request_for("MSFT");
    EXPECT_GT(msft.last_sale, 0.0f);
    EXPECT_GT(msft.previous_close, 0.0f);
    EXPECT_GE(msft.todays_high, msft.todays_low);
    EXPECT_GT(msft.todays_low, 0.0f);
    EXPECT_GT(msft.volume, 0u);
    EXPECT_STRNE(msft.market, "");
    EXPECT_EQ(strncmp(msft.detail_url, "http://127.0.0.1:", 17), 0) << msft.detail_url;

    const DWORD started = GetTickCount();
    int quoted = 0;
    for (int i = 0; i < 100; ++i) {
        quoted += request_for("MSFT").last_sale > 0.0f;
    }
    print_measure("100 sequential quote calls", GetTickCount() - started);
    EXPECT_EQ(quoted, 100);
}

}  // namespace

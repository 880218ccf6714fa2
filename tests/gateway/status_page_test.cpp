// The gateway's status page: who may ask for it, the answer's headers, and
// the page and JSON built from a state with a resting source, a failing one,
// a symbol without a quote and texts that a browser would take for markup.
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "gateway/page_writer.h"
#include "gateway/page_request.h"
#include "gateway/status_page.h"

namespace {

constexpr uint16_t kPort = 8421;

std::string get(const std::string &target, const std::string &headers) {
    return "GET " + target + " HTTP/1.1\r\n" + headers + "\r\n";
}

TEST(StatusRequest, OnlyTheOwnAddressInOriginFormReadsTheStatus) {
    struct Case {
        std::string request;
        uint16_t own_port;
        int status;
        RequestKind kind;
    } cases[] = {
        {get("/", "Host: 127.0.0.1:8421\r\n"), kPort, 200, RequestKind::status_page},
        {get("/status", "Accept: */*\r\nhost:  localhost:8421 \r\n"), kPort, 200,
         RequestKind::status_page},
        {get("/status.json?t=1", "Host: [::1]:8421\r\n"), kPort, 200, RequestKind::status_json},
        {get("/status", "Host: rebound.example:8421\r\n"), kPort, 421, RequestKind::quote_page},
        {get("/status", "Host: 127.0.0.1:8422\r\n"), kPort, 421, RequestKind::quote_page},
        {get("/status.json", ""), kPort, 421, RequestKind::quote_page},
        {get("/", "Host: 127.0.0.1:8421\r\nHost: rebound.example\r\n"), kPort, 400,
         RequestKind::quote_page},
        {get("http://127.0.0.1:8421/status", "Host: 127.0.0.1:8421\r\n"), kPort, 404,
         RequestKind::quote_page},
        {get("/statusx", "Host: 127.0.0.1:8421\r\n"), kPort, 404, RequestKind::quote_page},
        {"POST /status HTTP/1.1\r\nHost: 127.0.0.1:8421\r\n\r\n", kPort, 405,
         RequestKind::quote_page},
        // A server that passes no port serves no status page.
        {get("/status", "Host: 127.0.0.1:8421\r\n"), 0, 404, RequestKind::quote_page},
        // The quote page keeps its own rule: the quote host, not the gateway's.
        {get("/Quote.dll?symbol=msft", "Host: " MQ_QUOTE_HOST "\r\n"), kPort, 200,
         RequestKind::quote_page},
    };
    for (const Case &c : cases) {
        PageRequestHead head = read_page_request(c.request, c.own_port);
        EXPECT_EQ(head.http_status, c.status) << c.request;
        if (head.http_status == 200) {
            EXPECT_EQ(head.kind, c.kind) << c.request;
        }
    }
}

TEST(StatusRequest, OwnHostIsTheLoopbackNameWithThePort) {
    struct Case {
        const char *host;
        uint16_t port;
        bool own;
    } cases[] = {
        {"127.0.0.1:8421", 8421, true},   {"LocalHost:8421", 8421, true},
        {"[::1]:8421", 8421, true},       {"127.0.0.1", 80, true},
        {"127.0.0.1", 8421, false},       {"127.0.0.1:08421", 8421, false},
        {"127.0.0.1:8421x", 8421, false}, {"localhost.:8421", 8421, false},
        {"127.0.0.2:8421", 8421, false},  {"localhost.rebound.example:8421", 8421, false},
        {"[::1]:8421 ", 8421, false},     {"", 8421, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(is_own_host(c.host, c.port), c.own) << c.host << " on " << c.port;
    }
}

GatewayStatus troubled_state() {
    GatewayStatus status;
    status.version = "1.2.0";
    status.port = kPort;
    status.started_at = "2025-03-04 09:00:00";
    status.cache_seconds = 60;
    status.source_order = {"nasdaq", "yahoo"};

    SourceStatus resting;
    resting.name = "nasdaq";
    resting.state = SourceState::resting;
    resting.resting_until = "10:32:00";
    resting.last_error = "rate limited (http 429)";
    resting.last_success = "10:30:41";
    resting.answers_last_hour = 20;
    resting.quotes_last_hour = 19;
    SourceStatus failing;
    failing.name = "yahoo";
    failing.state = SourceState::failing;
    failing.last_error = "an answer it could not read: <b>&\"x\"";
    failing.failing_since = "10:20:05";
    status.sources = {resting, failing};
    status.quotes_stopped_since = "10:20:05";

    SymbolStatus served;
    served.symbol = "MSFT";
    served.has_quote = true;
    served.last_sale = 415.5;
    served.previous_close = 410.25;
    served.source = "nasdaq";
    served.age_seconds = 754;
    served.last_outcome = "cached";
    served.stale = true;
    SymbolStatus none;
    none.symbol = "A<B&\"C";
    none.last_outcome = "no quote: yahoo: <script>alert(1)</script>";
    none.failing = true;
    status.symbols = {served, none};

    status.recent_requests = {"10:31:00\tMSFT\tnasdaq\tquote\t120",
                              "10:31:10\tA<B\tyahoo\tno quote: <i>\t80"};
    return status;
}

bool contains(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

TEST(StatusPage, SaysEachSourceStateAndEscapesEveryText) {
    std::string html = status_html(troubled_state());
    const char *expected[] = {
        "<meta http-equiv=\"refresh\" content=\"10\">",
        "<span class=\"state resting\">resting</span>",
        "until 10:32:00 after rate limited (http 429)",
        "19 of 20 (95 %)",
        "<span class=\"state failing\">failing</span>",
        "an answer it could not read: &lt;b&gt;&amp;&quot;x&quot;, since 10:20:05",
        "<tr class=\"stale\"><td>MSFT</td><td class=\"number\">415.5</td>",
        "12 min <span class=\"mark\">stale</span>",
        "<tr class=\"failing\"><td>A&lt;B&amp;&quot;C</td>",
        "no quote: yahoo: &lt;script&gt;alert(1)&lt;/script&gt;",
        "10:31:10\tA&lt;B\tyahoo\tno quote: &lt;i&gt;\t80\n10:31:00\tMSFT",
        "<p class=\"headline alert\">No source answers",
        "<th>Log file</th><td>none</td>",
    };
    for (const char *part : expected) EXPECT_TRUE(contains(html, part)) << part;
    for (const char *outside : {"<script", "<link", "<img", "src=", "url(", "<i>", "<b>"}) {
        EXPECT_FALSE(contains(html, outside)) << outside;
    }
    EXPECT_EQ(html_escaped("&<>\"'"), "&amp;&lt;&gt;&quot;&#39;");
}

TEST(StatusPage, JsonCarriesTheSameFactsAsText) {
    GatewayStatus status = troubled_state();
    status.sources[0].last_error += "\xff";  // not UTF-8
    nlohmann::json json = nlohmann::json::parse(status_json(status), nullptr, false);
    ASSERT_FALSE(json.is_discarded());
    EXPECT_EQ(json["port"], 8421);
    EXPECT_EQ(json["source_order"], nlohmann::json({"nasdaq", "yahoo"}));
    EXPECT_TRUE(json["log_file"].is_null());
    EXPECT_EQ(json["quotes_stopped_since"], "10:20:05");
    EXPECT_TRUE(
        nlohmann::json::parse(status_json(GatewayStatus()))["quotes_stopped_since"].is_null());
    EXPECT_EQ(json["sources"][0]["state"], "resting");
    EXPECT_EQ(json["sources"][0]["resting_until"], "10:32:00");
    EXPECT_EQ(json["sources"][0]["last_error"], "rate limited (http 429)\xef\xbf\xbd");
    EXPECT_EQ(json["sources"][1]["state"], "failing");
    EXPECT_EQ(json["sources"][1]["last_error"], "an answer it could not read: <b>&\"x\"");
    EXPECT_TRUE(json["sources"][1]["last_success"].is_null());
    EXPECT_EQ(json["symbols"][0]["last_sale"], 415.5);
    EXPECT_EQ(json["symbols"][0]["stale"], true);
    EXPECT_EQ(json["symbols"][1]["symbol"], "A<B&\"C");
    EXPECT_TRUE(json["symbols"][1]["last_sale"].is_null());
    EXPECT_EQ(json["symbols"][1]["failing"], true);
    EXPECT_EQ(json["recent_requests"][1], "10:31:10\tA<B\tyahoo\tno quote: <i>\t80");
}

std::string header_block(const std::string &answer) {
    return answer.substr(0, answer.find("\r\n\r\n") + 2);
}

TEST(StatusAnswer, KeepsOtherSitesOutAndLeavesTheQuoteAnswerAsItWas) {
    GatewayStatus status = troubled_state();
    struct Case {
        RequestKind kind;
        const char *content_type;
    } cases[] = {
        {RequestKind::status_page, "Content-Type: text/html; charset=utf-8\r\n"},
        {RequestKind::status_json, "Content-Type: application/json\r\n"},
    };
    for (const Case &c : cases) {
        std::string head = header_block(status_answer(c.kind, status));
        for (const char *header :
             {"HTTP/1.1 200 OK\r\n", c.content_type, "Cache-Control: no-store\r\n",
              "X-Content-Type-Options: nosniff\r\n", "X-Frame-Options: DENY\r\n",
              "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline';"}) {
            EXPECT_TRUE(contains(head, header)) << header;
        }
        EXPECT_FALSE(contains(head, "Access-Control")) << head;
    }
    EXPECT_EQ(http_answer(200, "x"),
              "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1\r\n"
              "Cache-Control: no-store\r\nConnection: close\r\n\r\nx");
    EXPECT_TRUE(contains(refusal_answer(421), "421 Misdirected Request"));
}

}  // namespace

// The live sources' answers read into quotes, and the quote page written
// from a quote read back by the plug-in's own parser.
#include <float.h>
#include <string.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "gateway/gateway_limits.h"
#include "gateway/market_session.h"
#include "gateway/page_writer.h"
#include "gateway/source_answers.h"
#include "plugin/quote_page.h"

namespace {

SourceReading nasdaq(const std::string &data) {
    return read_nasdaq_answer("{\"data\":" + data + ",\"message\":null}");
}

// A quote's figures and market text, as the cases below write them.
struct Figures {
    double last_sale;
    double previous_close;
    double todays_high;
    double todays_low;
    uint32_t volume;
    std::string market;
    std::string detail_url = {};
};

void expect_quote(const SourceReading &reading, const Figures &expected) {
    ASSERT_EQ(reading.verdict, AnswerVerdict::quote);
    EXPECT_DOUBLE_EQ(reading.quote.last_sale, expected.last_sale);
    EXPECT_DOUBLE_EQ(reading.quote.previous_close, expected.previous_close);
    EXPECT_DOUBLE_EQ(reading.quote.todays_high, expected.todays_high);
    EXPECT_DOUBLE_EQ(reading.quote.todays_low, expected.todays_low);
    EXPECT_EQ(reading.quote.volume, expected.volume);
    EXPECT_EQ(reading.quote.market, expected.market);
}

SourceReading yahoo_meta(const std::string &meta) {
    return read_yahoo_answer("{\"chart\":{\"result\":[{\"meta\":" + meta + "}],\"error\":null}}");
}

TEST(NasdaqAnswer, FullAnswerGivesEveryField) {
    SourceReading reading = nasdaq(R"({"exchange":"NASDAQ-GS",
        "primaryData":{"lastSalePrice":"$1,315.44","netChange":"-0.78","volume":"1"},
        "keyStats":{"PreviousClose":{"value":"$316.22"},"Volume":{"value":"45,678,901"},
                    "dayrange":{"value":"316.53 - 308.16"}}})");
    expect_quote(reading, {1315.44, 316.22, 316.53, 308.16, 45678901u, "NASDAQ-GS", ""});
}

TEST(NasdaqAnswer, PreviousCloseFollowsFromTheChangeWhenNotStated) {
    auto previous = [](const char *change) {
        return nasdaq(std::string(R"({"primaryData":{"lastSalePrice":"$10.50","netChange":")") +
                      change + "\"}}")
            .quote.previous_close;
    };
    EXPECT_DOUBLE_EQ(previous("-0.78"), 10.50 + 0.78);
    EXPECT_DOUBLE_EQ(previous("+2.10"), 10.50 - 2.10);
    EXPECT_EQ(previous("UNCH"), 10.50);
    EXPECT_EQ(previous("N/A"), 0.0);
}

TEST(NasdaqAnswer, MissingOrNotApplicableFieldsAreZero) {
    SourceReading reading = nasdaq(R"({"primaryData":{"lastSalePrice":"$5","volume":"N/A"},
        "keyStats":{"PreviousClose":{"value":"N/A"},"dayrange":{"value":"N/A"}},"exchange":7})");
    ASSERT_EQ(reading.verdict, AnswerVerdict::quote);
    EXPECT_EQ(reading.quote.previous_close, 0.0);
    EXPECT_EQ(reading.quote.todays_high, 0.0);
    EXPECT_EQ(reading.quote.todays_low, 0.0);
    EXPECT_EQ(reading.quote.volume, 0u);
    EXPECT_EQ(reading.quote.market, "");
}

TEST(NasdaqAnswer, VolumeFallsBackToThePrimaryDataAndStopsAtItsLargestValue) {
    EXPECT_EQ(nasdaq(R"({"primaryData":{"lastSalePrice":"$5","volume":"12,345"}})").quote.volume,
              12345u);
    EXPECT_EQ(
        nasdaq(R"({"primaryData":{"lastSalePrice":"$5","volume":"99,999,999,999"}})").quote.volume,
        4294967295u);
}

TEST(NasdaqAnswer, NoUsableLastSaleIsNoQuote) {
    for (const char *last : {"N/A", "", "$0.00", "-1", "1e5", "$inf", "$1.2.3", "9e999"}) {
        SourceReading reading =
            nasdaq(std::string(R"({"primaryData":{"lastSalePrice":")") + last + "\"}}");
        EXPECT_EQ(reading.verdict, AnswerVerdict::no_price) << last;
    }
    EXPECT_EQ(nasdaq(std::string(R"({"primaryData":{"lastSalePrice":"$)") + std::string(400, '9') +
                     "\"}}")
                  .verdict,
              AnswerVerdict::no_price);
}

TEST(SourceAnswer, UnknownSymbolsAndBrokenAnswersAreTold) {
    EXPECT_EQ(nasdaq("null").verdict, AnswerVerdict::unknown_symbol);
    EXPECT_EQ(nasdaq("[1]").verdict, AnswerVerdict::malformed);
    EXPECT_EQ(
        read_yahoo_answer(R"({"chart":{"result":null,"error":{"code":"Not Found"}}})").verdict,
        AnswerVerdict::unknown_symbol);
    for (const char *body : {"", "{", "[]", "{\"chart\":{\"result\":[]}}",
                             "{\"chart\":{\"result\":[7]}}", "<html>Service Unavailable</html>"}) {
        EXPECT_EQ(read_yahoo_answer(body).verdict, AnswerVerdict::malformed) << body;
        EXPECT_EQ(read_nasdaq_answer(body).verdict, AnswerVerdict::malformed) << body;
    }
}

// Refused before any tree is built, or brackets alone would cost the gateway
// a node each; brackets inside a text do not count.
TEST(SourceAnswer, NestingDeeperThanTheLimitIsUnreadable) {
    auto nested = [](size_t depth) {
        // Two levels are the answer's own, around the data.
        return nasdaq("{\"primaryData\":{\"lastSalePrice\":\"$1.00\"},\"x\":" +
                      std::string(depth - 2, '[') + "\"[[[[\"" + std::string(depth - 2, ']') + "}");
    };
    EXPECT_EQ(nested(kMaxAnswerDepth).verdict, AnswerVerdict::quote);
    EXPECT_EQ(nested(kMaxAnswerDepth + 1).verdict, AnswerVerdict::malformed);
}

TEST(YahooAnswer, FullAnswerGivesEveryField) {
    SourceReading reading = yahoo_meta(R"({"regularMarketPrice":480.25,"chartPreviousClose":470,
        "previousClose":478.5,"regularMarketDayHigh":481,"regularMarketDayLow":477.5,
        "regularMarketVolume":3456789,"fullExchangeName":"NYSE","exchangeName":"NYQ"})");
    expect_quote(reading, {480.25, 478.5, 481.0, 477.5, 3456789u, "NYSE", ""});
}

TEST(YahooAnswer, SecondChoiceFieldsAndWrongTypes) {
    SourceReading reading = yahoo_meta(R"({"regularMarketPrice":12.5,"chartPreviousClose":12,
        "exchangeName":"NMS","regularMarketDayHigh":"13","regularMarketVolume":-5})");
    ASSERT_EQ(reading.verdict, AnswerVerdict::quote);
    EXPECT_EQ(reading.quote.previous_close, 12.0);
    EXPECT_EQ(reading.quote.market, "NMS");
    EXPECT_EQ(reading.quote.todays_high, 0.0);
    EXPECT_EQ(reading.quote.volume, 0u);
    EXPECT_EQ(yahoo_meta(R"({"regularMarketPrice":1e39})").verdict, AnswerVerdict::no_price);
    EXPECT_EQ(yahoo_meta(R"({"regularMarketPrice":"12.5"})").verdict, AnswerVerdict::no_price);
}

TEST(SourceUrl, SymbolsGoIntoEachSourcesPathAsItSpellsThem) {
    EXPECT_EQ(nasdaq_quote_url("https://api.nasdaq.com", "SPY", "etf"),
              "https://api.nasdaq.com/api/quote/SPY/info?assetclass=etf");
    EXPECT_EQ(nasdaq_detail_url("COMP", "index"),
              "https://www.nasdaq.com/market-activity/index/comp");
    EXPECT_EQ(yahoo_quote_url("http://127.0.0.1:5/y", "BRK.B"),
              "http://127.0.0.1:5/y/v8/finance/chart/BRK-B?range=1d&interval=1d");
    EXPECT_EQ(yahoo_quote_url("https://q", "^GSPC"),
              "https://q/v8/finance/chart/%5EGSPC?range=1d&interval=1d");
    EXPECT_EQ(yahoo_detail_url("VOD.L"), "https://finance.yahoo.com/quote/VOD.L");
}

TEST(SourceSymbol, YahooKeepsExchangeSuffixesAndNasdaqListsNoneOfThem) {
    struct Case {
        const char *typed;
        const char *for_yahoo;
        bool nasdaq_lists_it;
    } cases[] = {
        {"BRK.B", "BRK-B", true},      {"BF.B", "BF-B", true},
        {"AAPL", "AAPL", true},        {"VOD.L", "VOD.L", false},
        {"SAP.DE", "SAP.DE", false},   {"RY.TO", "RY.TO", false},
        {"7203.T", "7203.T", false},   {"0700.HK", "0700.HK", false},
        {"NESN.SW", "NESN.SW", false}, {"RELIANCE.NS", "RELIANCE.NS", false},
        {"^TNX", "^TNX", false},       {"EURUSD=X", "EURUSD=X", false},
        {"GC=F", "GC=F", false},       {"BTC-USD", "BTC-USD", false},
        {"BF-B", "BF-B", true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(yahoo_symbol(c.typed), c.for_yahoo) << c.typed;
        EXPECT_EQ(nasdaq_lists(c.typed), c.nasdaq_lists_it) << c.typed;
    }
}

// One answer of the fake source's file, read as its source reads it.
SourceReading recorded(const std::string &source, const std::string &key) {
    std::ifstream file(MQ_SOURCE_ANSWERS_FILE);
    nlohmann::json answers = nlohmann::json::parse(file, nullptr, false);
    EXPECT_FALSE(answers.is_discarded()) << MQ_SOURCE_ANSWERS_FILE;
    std::string body = answers[source][key]["json"].dump();
    return source == "nasdaq" ? read_nasdaq_answer(body) : read_yahoo_answer(body);
}

// Answers in the shapes the sources really give (extended hours, the 2019
// shape, funds, listings abroad), as the fake source serves them.
TEST(RecordedAnswers, EachReadsAsTheRegularSession) {
    struct Case {
        const char *source;
        const char *key;
        Figures expected;
    } cases[] = {
        // Open: no stated previous close; fractional volume in whole shares.
        {"nasdaq", "AAPL", {224.31, 222.42, 224.90, 221.09, 15205249u, "NASDAQ-GS", ""}},
        // Pre-market with an empty change: the last close and its change;
        // the volume stated is the pre-market's own, not the session's.
        {"nasdaq", "NVDA", {182.41, 183.78, 0.0, 0.0, 0u, "NASDAQ-GS", ""}},
        // After hours: today's close and today's change.
        {"nasdaq", "TSLA", {400.55, 405.39, 410.75, 398.20, 71839112u, "NASDAQ-GS", ""}},
        // 2019: an unsigned change signed by its indicator; Volume stated.
        {"nasdaq", "INTC", {52.70, 53.51, 0.0, 0.0, 18306451u, "NASDAQ-GS", ""}},
        {"nasdaq", "QQQ@etf", {512.36, 514.41, 0.0, 0.0, 35120447u, "NASDAQ-GM", ""}},
        {"yahoo", "VOD.L", {96.52, 95.9, 97.1, 95.84, 41234567u, "LSE (GBp)", ""}},
        {"yahoo", "SAP.DE", {232.15, 229.6, 233.0, 229.9, 1523456u, "XETRA (EUR)", ""}},
        {"yahoo", "0P000071W8.TO", {28.12, 28.05, 0.0, 0.0, 0u, "Toronto (CAD)", ""}},
        {"yahoo", "^TNX", {4.112, 4.097, 4.13, 4.08, 0u, "Cboe Indices", ""}},
        {"yahoo", "BTC-USD", {91234.56, 90105.4, 92010.0, 89950.25, 4294967295u, "CCC", ""}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        expect_quote(recorded(c.source, c.key), c.expected);
    }
    EXPECT_EQ(read_nasdaq_answer(R"({"data":null,"status":{"rCode":400,"bCodeMessage":[
        {"code":1001,"errorMessage":"Symbol not exists."}]}})")
                  .verdict,
              AnswerVerdict::unknown_symbol);
}

// Tue, 8 Dec 2026 9:30 AM ET, and Yahoo's sessions of that day around it.
const int64_t kOpen = 1796740200;
const char kTradingPeriods[] =
    R"("currentTradingPeriod":{"pre":{"start":1796720400,"end":1796740200,"gmtoffset":-18000},
       "regular":{"start":1796740200,"end":1796763600,"gmtoffset":-18000},
       "post":{"start":1796763600,"end":1796778000,"gmtoffset":-18000}})";

// The market text of the quote served at `now`: nothing added while the
// regular session runs, else what the figures are, after the currency.
TEST(MarketSession, EachSessionWordOfBothSourcesReadsIntoTheMarketText) {
    auto nasdaq_in = [](const char *status) {
        return nasdaq(std::string(R"({"exchange":"NASDAQ-GS","marketStatus":")") + status +
                      R"(","primaryData":{"lastSalePrice":"$402.10"},
                        "secondaryData":{"lastSalePrice":"$400.55","netChange":"-4.84"}})");
    };
    SourceReading london = yahoo_meta(std::string(R"({"regularMarketPrice":96.52,"currency":"GBp",
                                   "exchangeName":"LSE",)") +
                                      kTradingPeriods + "}");
    const SessionChoice regular = SessionChoice::regular;
    const SessionChoice extended = SessionChoice::extended;
    struct Case {
        SourceReading reading;
        int64_t now;
        SessionChoice choice;
        const char *market;
    } cases[] = {
        {nasdaq_in("Open"), 0, regular, "NASDAQ-GS"},
        {nasdaq_in("Market Open"), 0, extended, "NASDAQ-GS"},
        {nasdaq_in("Pre-Market"), 0, regular, "NASDAQ-GS (closed)"},
        {nasdaq_in("Pre Market"), 0, extended, "NASDAQ-GS (pre-market)"},
        {nasdaq_in("After-Hours"), 0, regular, "NASDAQ-GS (closed)"},
        {nasdaq_in("AFTER HOURS"), 0, extended, "NASDAQ-GS (after hours)"},
        {nasdaq_in("Closed"), 0, extended, "NASDAQ-GS (closed)"},
        {nasdaq_in("Market Closed"), 0, regular, "NASDAQ-GS (closed)"},
        {nasdaq_in("Halted?"), 0, regular, "NASDAQ-GS"},
        {london, kOpen - 8 * 3600, regular, "LSE (GBp, closed)"},
        {london, kOpen - 60, extended, "LSE (GBp, closed)"},
        {london, kOpen, regular, "LSE (GBp)"},
        {london, kOpen + 7 * 3600, extended, "LSE (GBp, closed)"},
        {yahoo_meta(R"({"regularMarketPrice":1.16,"exchangeName":"CCY"})"), 0, regular, "CCY"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.market);
        ASSERT_EQ(c.reading.verdict, AnswerVerdict::quote);
        EXPECT_EQ(served_quote(c.reading.quote, c.now, c.choice).market, c.market);
    }
}

// Outside the regular session, where the source states an extended-hours
// trade: that trade against the regular close; the day's range and volume
// stay the regular session's.
TEST(MarketSession, ExtendedHoursServeTheStatedTradeAgainstTheRegularClose) {
    const SessionChoice extended = SessionChoice::extended;
    struct Case {
        const char *key;
        SessionChoice choice;
        Figures expected;
    } cases[] = {
        {"TSLA", extended, {402.10, 400.55, 410.75, 398.20, 71839112u, "NASDAQ-GS (after hours)"}},
        {"TSLA",
         SessionChoice::regular,
         {400.55, 405.39, 410.75, 398.20, 71839112u, "NASDAQ-GS (closed)"}},
        {"NVDA", extended, {181.20, 182.41, 0.0, 0.0, 0u, "NASDAQ-GS (pre-market)"}},
        {"MSFT", extended, {315.44, 316.22, 316.53, 308.16, 45678901u, "NASDAQ-GS (closed)"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        SourceReading reading = recorded("nasdaq", c.key);
        reading.quote = served_quote(reading.quote, 0, c.choice);
        expect_quote(reading, c.expected);
    }
}

TEST(MarketSession, ReadsNasdaqsEasternTimesWithTheirDaylightRule) {
    struct Case {
        const char *text;
        int64_t seconds;  // 0: not a time
    } cases[] = {
        {"Dec 4, 2026 4:00 PM ET", 1796418000},
        {"Closed at Jul 1, 2026 4:00 PM ET", 1782936000},
        {"Mar 8, 2026 3:00 AM ET", 1772953200},  // the first hour of daylight time
        {"Nov 1, 2026 1:30 AM ET", 1793511000},  // its last hour
        {"Dec 4, 2026 4:00 PM", 0},
        {"Dez 4, 2026 4:00 PM ET", 0},
        {"Dec 4, 2026 13:00 PM ET", 0},
        {"", 0},
    };
    for (const Case &c : cases) {
        int64_t seconds = 0;
        EXPECT_EQ(read_eastern_time(c.text, &seconds), c.seconds != 0) << c.text;
        EXPECT_EQ(seconds, c.seconds) << c.text;
    }
}

// Final: until the next session the answer (or, where it states none,
// another of its market's zone) states, else an hour on; never
// within 15 minutes of the close, while a session that counts runs, or
// before a session whose start is not stated.
TEST(MarketSession, FiguresAreFinalUntilTheStatedNextSessionOrAnHour) {
    const int64_t close = 1796677200;  // Mon, 7 Dec 2026 4:00 PM ET
    MarketSession nasdaq_after;
    nasdaq_after.stated = MarketSession::Stated::after_hours;
    nasdaq_after.regular_end = close;
    MarketSession nasdaq_closed = nasdaq_after;
    nasdaq_closed.stated = MarketSession::Stated::closed;
    MarketSession nasdaq_pre = nasdaq_after;
    nasdaq_pre.stated = MarketSession::Stated::pre_market;
    MarketSession nasdaq_unsure = nasdaq_closed;
    nasdaq_unsure.regular_end = 0;
    MarketSession yahoo;  // Tue, 8 Dec 2026, as in kTradingPeriods
    yahoo.pre = {1796720400, kOpen};
    yahoo.regular = {kOpen, 1796763600};
    yahoo.post = {1796763600, 1796778000};
    yahoo.figures_at = close;
    const int64_t minute = 60;
    const SessionChoice regular = SessionChoice::regular;
    const SessionChoice extended = SessionChoice::extended;
    struct Case {
        const char *what;
        MarketSession session;
        int64_t taken;
        SessionChoice choice;
        int64_t until;
        int64_t zone_next = 0;  // as another answer of the market's zone states it
    } cases[] = {
        {"14 min after the close", nasdaq_after, close + 14 * minute, regular, 0},
        {"15 min after the close", nasdaq_after, close + 15 * minute, regular,
         close + 15 * minute + 3600},
        {"after hours, counted open", nasdaq_after, close + 60 * minute, extended, 0},
        {"closed", nasdaq_closed, close + 300 * minute, regular, close + 300 * minute + 3600},
        {"closed, pre-market not stated", nasdaq_closed, close + 300 * minute, extended, 0},
        {"pre-market, start not stated", nasdaq_pre, close + 900 * minute, regular, 0},
        {"pre-market, the open stated for its zone", nasdaq_pre, kOpen - 60, regular, kOpen, kOpen},
        {"closed, the pre-market stated for its zone", nasdaq_closed, close + 300 * minute,
         extended, 1796720400, 1796720400},
        {"closed, end not stated", nasdaq_unsure, close + 300 * minute, regular, 0},
        {"night before", yahoo, kOpen - 8 * 3600, regular, kOpen},
        {"night before, extended", yahoo, kOpen - 8 * 3600, extended, 1796720400},
        {"pre-market", yahoo, kOpen - 60, regular, kOpen},
        {"regular", yahoo, kOpen, regular, 0},
        {"10 min after", yahoo, 1796763600 + 10 * minute, regular, 0},
        {"after hours", yahoo, 1796763600 + 15 * minute, regular, 1796763600 + 15 * minute + 3600},
        {"after hours, extended", yahoo, 1796763600 + 15 * minute, extended, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(final_until(c.session, c.taken, c.choice, c.zone_next), c.until) << c.what;
    }
}

QuoteRequest read_back(const std::string &page) {
    QuoteRequest request;
    memset(&request, 0x5A, sizeof(request));
    parse_quote_page(&request, page.c_str());
    return request;
}

TEST(QuotePage, ThePluginReadsBackTheNumbersItWasMadeFrom) {
    LiveQuote quote;
    quote.last_sale = 315.44;
    quote.previous_close = 0.1 + 0.2;
    quote.todays_high = FLT_MAX;
    quote.todays_low = 1e-7;
    quote.volume = 4294967295u;
    quote.market = "NASDAQ-GS";
    quote.detail_url = "https://www.nasdaq.com/market-activity/stocks/msft";
    QuoteRequest request = read_back(quote_page("MSFT", quote));
    EXPECT_EQ(request.last_sale, static_cast<float>(quote.last_sale));
    EXPECT_EQ(request.previous_close, static_cast<float>(quote.previous_close));
    EXPECT_EQ(request.todays_high, static_cast<float>(quote.todays_high));
    EXPECT_EQ(request.todays_low, static_cast<float>(quote.todays_low));
    EXPECT_EQ(request.volume, quote.volume);
    EXPECT_STREQ(request.market, "NASDAQ-GS");
    EXPECT_STREQ(request.detail_url, quote.detail_url.c_str());
}

TEST(QuotePage, AMarketTextCannotStandInForAnyOtherField) {
    LiveQuote quote;
    quote.last_sale = 10.0;
    quote.market =
        "Last Sale:&nbsp;99 offsite_quotes.asp content=javascript:x\" <b>Market : y\x01\xE9" +
        std::string(300, 'M');
    quote.detail_url = "https://finance.yahoo.com/quote/X\"<script>";
    QuoteRequest request = read_back(quote_page("X", quote));
    EXPECT_EQ(request.last_sale, 10.0f);
    EXPECT_STREQ(request.detail_url, "https://finance.yahoo.com/quote/Xscript");
    EXPECT_EQ(std::string(request.market), page_safe_text(quote.market, 127));
    EXPECT_EQ(strlen(request.market), 127u);
    EXPECT_EQ(page_safe_text("a<b>\"c\x01\x7F\xE9"
                             "d",
                             3),
              "abc");
}

TEST(QuotePage, TheNoQuotePageCarriesNoMarkers) {
    QuoteRequest request = read_back(no_quote_page("MSFT", "nasdaq: http 503; yahoo: time-out"));
    EXPECT_EQ(request.last_sale, 0.0f);
    EXPECT_EQ(request.volume, 0u);
    EXPECT_STREQ(request.market, "");
    EXPECT_STREQ(request.detail_url, "");
}

}  // namespace

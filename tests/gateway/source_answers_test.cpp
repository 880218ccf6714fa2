// The live sources' answers read into quotes, and the quote page written
// from a quote read back by the plug-in's own parser.
#include <float.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "gateway/page_writer.h"
#include "gateway/source_answers.h"
#include "plugin/quote_page.h"

namespace {

SourceReading nasdaq(const std::string &data) {
    return read_source_answer(QuoteSource::nasdaq, "{\"data\":" + data + ",\"message\":null}", "MSFT");
}

void expect_quote(const SourceReading &reading, const LiveQuote &expected) {
    ASSERT_EQ(reading.verdict, AnswerVerdict::quote);
    EXPECT_EQ(reading.quote.last_sale, expected.last_sale);
    EXPECT_EQ(reading.quote.previous_close, expected.previous_close);
    EXPECT_EQ(reading.quote.todays_high, expected.todays_high);
    EXPECT_EQ(reading.quote.todays_low, expected.todays_low);
    EXPECT_EQ(reading.quote.volume, expected.volume);
    EXPECT_EQ(reading.quote.market, expected.market);
    EXPECT_EQ(reading.quote.detail_url, expected.detail_url);
}

SourceReading yahoo_meta(const std::string &meta) {
    return read_source_answer(QuoteSource::yahoo,
                              "{\"chart\":{\"result\":[{\"meta\":" + meta + "}],\"error\":null}}",
                              "BRK.B");
}

TEST(NasdaqAnswer, FullAnswerGivesEveryField) {
    SourceReading reading = nasdaq(R"({"exchange":"NASDAQ-GS",
        "primaryData":{"lastSalePrice":"$1,315.44","netChange":"-0.78","volume":"1"},
        "keyStats":{"PreviousClose":{"value":"$316.22"},"Volume":{"value":"45,678,901"},
                    "dayrange":{"value":"316.53 - 308.16"}}})");
    expect_quote(reading, {1315.44, 316.22, 316.53, 308.16, 45678901u, "NASDAQ-GS",
                           "https://www.nasdaq.com/market-activity/stocks/msft"});
}

TEST(NasdaqAnswer, PreviousCloseFollowsFromTheChangeWhenNotStated) {
    auto previous = [](const char *change) {
        return nasdaq(std::string(R"({"primaryData":{"lastSalePrice":"$10.50","netChange":")") +
                      change + "\"}}").quote.previous_close;
    };
    EXPECT_EQ(previous("-0.78"), 10.50 + 0.78);
    EXPECT_EQ(previous("+2.10"), 10.50 - 2.10);
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
    EXPECT_EQ(nasdaq(R"({"primaryData":{"lastSalePrice":"$5","volume":"12,345"}})").quote.volume, 12345u);
    EXPECT_EQ(nasdaq(R"({"primaryData":{"lastSalePrice":"$5","volume":"99,999,999,999"}})").quote.volume,
              4294967295u);
}

TEST(NasdaqAnswer, NoUsableLastSaleIsNoQuote) {
    for (const char *last : {"N/A", "", "$0.00", "-1", "1e5", "$inf", "$1.2.3", "9e999"}) {
        SourceReading reading =
            nasdaq(std::string(R"({"primaryData":{"lastSalePrice":")") + last + "\"}}");
        EXPECT_EQ(reading.verdict, AnswerVerdict::no_price) << last;
    }
    EXPECT_EQ(nasdaq(std::string(R"({"primaryData":{"lastSalePrice":"$)") + std::string(400, '9') + "\"}}").verdict,
              AnswerVerdict::no_price);
}

TEST(SourceAnswer, UnknownSymbolsAndBrokenAnswersAreTold) {
    EXPECT_EQ(nasdaq("null").verdict, AnswerVerdict::unknown_symbol);
    EXPECT_EQ(nasdaq("[1]").verdict, AnswerVerdict::malformed);
    EXPECT_EQ(read_source_answer(QuoteSource::yahoo,
                                 R"({"chart":{"result":null,"error":{"code":"Not Found"}}})", "X")
                  .verdict,
              AnswerVerdict::unknown_symbol);
    for (const char *body : {"", "{", "[]", "{\"chart\":{\"result\":[]}}", "{\"chart\":{\"result\":[7]}}",
                             "<html>Service Unavailable</html>"}) {
        EXPECT_EQ(read_source_answer(QuoteSource::yahoo, body, "X").verdict, AnswerVerdict::malformed) << body;
        EXPECT_EQ(read_source_answer(QuoteSource::nasdaq, body, "X").verdict, AnswerVerdict::malformed)
            << body;
    }
}

TEST(YahooAnswer, FullAnswerGivesEveryField) {
    SourceReading reading = yahoo_meta(R"({"regularMarketPrice":480.25,"chartPreviousClose":470,
        "previousClose":478.5,"regularMarketDayHigh":481,"regularMarketDayLow":477.5,
        "regularMarketVolume":3456789,"fullExchangeName":"NYSE","exchangeName":"NYQ"})");
    expect_quote(reading, {480.25, 478.5, 481.0, 477.5, 3456789u, "NYSE",
                           "https://finance.yahoo.com/quote/BRK-B"});
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

TEST(SourceUrl, SymbolsGoIntoEachSourcesPath) {
    EXPECT_EQ(source_quote_url(QuoteSource::nasdaq, "https://api.nasdaq.com", "MSFT"),
              "https://api.nasdaq.com/api/quote/MSFT/info?assetclass=stocks");
    EXPECT_EQ(source_quote_url(QuoteSource::yahoo, "http://127.0.0.1:5/y", "BRK.B"),
              "http://127.0.0.1:5/y/v8/finance/chart/BRK-B?range=1d&interval=1d");
    EXPECT_EQ(source_quote_url(QuoteSource::yahoo, "https://q", "^GSPC"),
              "https://q/v8/finance/chart/%5EGSPC?range=1d&interval=1d");
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
    quote.market = "Last Sale:&nbsp;99 offsite_quotes.asp content=javascript:x\" <b>Market : y\x01\xE9" +
                   std::string(300, 'M');
    quote.detail_url = "https://finance.yahoo.com/quote/X\"<script>";
    QuoteRequest request = read_back(quote_page("X", quote));
    EXPECT_EQ(request.last_sale, 10.0f);
    EXPECT_STREQ(request.detail_url, "https://finance.yahoo.com/quote/Xscript");
    EXPECT_EQ(std::string(request.market), page_safe_text(quote.market, 127));
    EXPECT_EQ(strlen(request.market), 127u);
    EXPECT_EQ(page_safe_text("a<b>\"c\x01\x7F\xE9" "d", 3), "abc");
}

TEST(QuotePage, TheNoQuotePageCarriesNoMarkers) {
    QuoteRequest request = read_back(no_quote_page("MSFT", "nasdaq: http 503; yahoo: time-out"));
    EXPECT_EQ(request.last_sale, 0.0f);
    EXPECT_EQ(request.volume, 0u);
    EXPECT_STREQ(request.market, "");
    EXPECT_STREQ(request.detail_url, "");
}

}  // namespace

// Scraping the quote page: each field found by its own markers from the
// start of the page, cut at its terminator or its limit.
#include "plugin/quote_page.h"
#include "quote_request_checks.h"

#include <gtest/gtest.h>

#include <float.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

struct ExtractCase {
    const char *name;
    std::string page;
    const char *marker_a;
    const char *marker_b;
    char terminator;
    int32_t limit;
    std::string expected;
    int32_t found;
};

const std::string kLong200(200, 'M');

const ExtractCase kExtractCases[] = {
    {"text after B up to the terminator", "xx Last Sale: yy&nbsp;12.25</td>",
     "Last Sale:", "&nbsp;", '<', 127, "12.25", 1},
    {"B before A is not used", "&nbsp;99<Last Sale:</b>&nbsp;12.25<", "Last Sale:", "&nbsp;", '<',
     127, "12.25", 1},
    {"B only before A", "&nbsp;99<Last Sale: 12.25<", "Last Sale:", "&nbsp;", '<', 127, "", 0},
    {"A missing", "&nbsp;12.25<", "Last Sale:", "&nbsp;", '<', 127, "", 0},
    {"first occurrence of A", "Volume:\">1<Volume:\">2<", "Volume:", "\">", '<', 127, "1", 1},
    {"B may start inside A", "Sale:7<", "Sale:", "e:", '<', 127, "7", 1},
    {"terminator right after B", "b>Market : <b>", "b>Market", " : ", '<', 127, "", 1},
    {"page ends before the terminator", "b>Market : Nasdaq-GS", "b>Market", " : ", '<', 127,
     "Nasdaq-GS", 1},
    {"page ends right after B", "b>Market : ", "b>Market", " : ", '<', 127, "", 1},
    {"cut at the limit", "b>Market : " + kLong200 + "<", "b>Market", " : ", '<', 127,
     kLong200.substr(0, 127), 1},
    {"exactly the limit", "b>Market : " + kLong200.substr(0, 127) + "<", "b>Market", " : ", '<',
     127, kLong200.substr(0, 127), 1},
    {"limit zero", "b>Market : Nasdaq<", "b>Market", " : ", '<', 0, "", 1},
    {"quote terminator", "offsite_quotes.asp?content=http://q.example/A\">", "offsite_quotes.asp",
     "content=", '"', 255, "http://q.example/A", 1},
    {"markers are case-sensitive", "last sale:&nbsp;5<", "Last Sale:", "&nbsp;", '<', 127, "", 0},
    {"empty page", "", "Last Sale:", "&nbsp;", '<', 127, "", 0},
};

TEST(ExtractField, FindsTheTextBetweenMarkerBAndTerminator) {
    for (const ExtractCase &c : kExtractCases) {
        // Exactly limit + 1 bytes, so the sanitizer sees any write past them.
        std::vector<char> output(static_cast<size_t>(c.limit) + 1, 'Z');
        int32_t found = extract_field(c.page.c_str(), c.marker_a, c.marker_b, c.terminator,
                                      output.data(), c.limit);
        EXPECT_EQ(std::string(output.data()), c.expected) << c.name;
        EXPECT_EQ(found != 0, c.found != 0) << c.name;
    }
}

// A request whose every byte is set, so a field left alone shows.
QuoteRequest garbage_request() {
    QuoteRequest request;
    memset(&request, 0x5A, sizeof request);
    return request;
}

void expect_in_fields_untouched(const QuoteRequest &request) {
    const QuoteRequest original = garbage_request();
    EXPECT_EQ(memcmp(request.proxy, original.proxy, sizeof request.proxy), 0);
    EXPECT_EQ(memcmp(request.symbol, original.symbol, sizeof request.symbol), 0);
}

const char kFullPage[] =
    "<html><td><b>Market</b> : NASDAQ-GS</td>"
    "<a href=\"offsite_quotes.asp?symbol=MSFT&content=http://quotes.example/MSFT\">full</a>"
    "<td>Last Sale:</td><td align=right>&nbsp;$27.13</td>"  // '$' makes it 0
    "<td>Previous Close:</td><td>&nbsp;26.875</td>"
    "<td>Today's High:</td><td>&nbsp;27.5</td>"
    "<td>Today's Low:</td><td>&nbsp;1,234.50</td>"
    "<td>Volume:</td><td align=\"right\">31,415,926</td></html>";

TEST(ParseQuotePage, FillsEveryFieldFromItsOwnMarkers) {
    QuoteRequest request = garbage_request();
    parse_quote_page(&request, kFullPage);
    EXPECT_STREQ(request.market, "NASDAQ-GS");
    EXPECT_STREQ(request.detail_url, "http://quotes.example/MSFT");
    EXPECT_EQ(request.last_sale, 0.0f);
    EXPECT_EQ(request.previous_close, 26.875f);
    EXPECT_EQ(request.todays_high, 27.5f);
    EXPECT_EQ(request.todays_low, 1.0f);
    EXPECT_EQ(request.volume, 31415926u);
    expect_in_fields_untouched(request);
}

TEST(ParseQuotePage, EmptyPageResetsEveryOutField) {
    QuoteRequest request = garbage_request();
    parse_quote_page(&request, "");
    expect_out_fields_reset(request);
    expect_in_fields_untouched(request);
}

struct PriceCase {
    const char *page;
    float QuoteRequest::*field;
    float expected;
};

// Each page carries one row only: the others must come out 0.
const PriceCase kPriceCases[] = {
    {"Last Sale:</td><td>&nbsp;12.25</td>", &QuoteRequest::last_sale, 12.25f},
    {"Previous Close:&nbsp;0.1<", &QuoteRequest::previous_close, static_cast<float>(0.1)},
    {"Today's High:&nbsp;  99.5<", &QuoteRequest::todays_high, 99.5f},
    {"Today's Low:&nbsp;-3.25e1<", &QuoteRequest::todays_low, -32.5f},
    {"Last Sale:&nbsp;$12.25<", &QuoteRequest::last_sale, 0.0f},
    {"Last Sale:&nbsp;1,234.50<", &QuoteRequest::last_sale, 1.0f},
    {"Last Sale:&nbsp;3.5", &QuoteRequest::last_sale, 3.5f},
    {"&nbsp;8<Last Sale:&nbsp;4<", &QuoteRequest::last_sale, 4.0f},
    {"Last Sale:&nbsp;inf<", &QuoteRequest::last_sale, 0.0f},
    // Beyond every finite float a price is no number; up to where it rounds
    // to the largest one it is that one.
    {"Last Sale:&nbsp;1e39<", &QuoteRequest::last_sale, 0.0f},
    {"Today's Low:&nbsp;-3.4028236e38<", &QuoteRequest::todays_low, 0.0f},
    {"Today's High:&nbsp;3.4028235e38<", &QuoteRequest::todays_high, FLT_MAX},
};

float QuoteRequest::*const kPrices[] = {&QuoteRequest::last_sale, &QuoteRequest::previous_close,
                                        &QuoteRequest::todays_high, &QuoteRequest::todays_low};

TEST(ParseQuotePage, ConvertsEachPriceRowIndependently) {
    for (const PriceCase &c : kPriceCases) {
        QuoteRequest request = garbage_request();
        parse_quote_page(&request, c.page);
        for (float QuoteRequest::*price : kPrices) {
            EXPECT_EQ(request.*price, price == c.field ? c.expected : 0.0f) << c.page;
        }
        EXPECT_EQ(request.volume, 0u) << c.page;
    }
}

struct VolumeCase {
    std::string page;
    uint32_t expected;
};

// The value of `count` sevens accumulated in 32 bits.
uint32_t wrapped_sevens(int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = value * 10u + 7u;
    }
    return value;
}

const VolumeCase kVolumeCases[] = {
    {"Volume:</td><td class=\"v\">12,345</td>", 12345u},
    {"Volume:\">1,2,3,4<", 1234u},
    {"Volume:\">4,294,967,297<", static_cast<uint32_t>(4294967297ull)},
    {"Volume:\">99,999,999,999<", static_cast<uint32_t>(99999999999ull)},
    {"Volume:\">-1<", 4294967295u},
    {"Volume:\">12.9<", 12u},
    {"Volume:\">n/a<", 0u},
    {"Volume:\">" + std::string(120, ',') + "42<", 42u},
    {"Volume:\">" + std::string(200, '7') + "<", wrapped_sevens(127)},
};

TEST(ParseQuotePage, VolumeLosesItsCommasAndWrapsAround) {
    for (const VolumeCase &c : kVolumeCases) {
        QuoteRequest request = garbage_request();
        parse_quote_page(&request, c.page.c_str());
        EXPECT_EQ(request.volume, c.expected) << c.page;
        EXPECT_EQ(request.last_sale, 0.0f);
    }
}

TEST(ParseQuotePage, CutsTheTextsAtTheirLimits) {
    const std::string market(200, 'N');
    const std::string address = "http://" + std::string(300, 'd');
    const std::string page = "<b>Market : " + market + "</b>offsite_quotes.asp&content=" + address;
    QuoteRequest request = garbage_request();
    parse_quote_page(&request, page.c_str());
    EXPECT_EQ(std::string(request.market), market.substr(0, 127));
    EXPECT_EQ(std::string(request.detail_url), address.substr(0, 255));
}

}  // namespace

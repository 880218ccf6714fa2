// The refresh pass's arithmetic and text growth, natively.
#include "app/refresh_rules.h"

#include <float.h>
#include <math.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/resources/resource.h"

// Steps of a pass, defined in app/refresh_rules.cpp: one symbol's percentage
// term, and its line (REFRESH_LINE_SIZE bytes) with the line's length.
float refresh_add_term(float sum, float last_sale, float previous_close);
size_t refresh_format_line(char *line, const char *symbol, float last_sale);

namespace {

QuoteRecord quoted(const char *symbol, float last_sale, float previous_close) {
    QuoteRecord record;
    memset(&record, 0, sizeof(record));
    strncpy(record.symbol, symbol, sizeof(record.symbol) - 1);
    record.last_sale = last_sale;
    record.previous_close = previous_close;
    return record;
}

int count_lines(const std::string &text, const std::string &line) {
    int count = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
        ++count;
    }
    return count;
}

struct TrendCase {
    float sum;
    uint32_t icon;
};

TEST(RefreshTrendIcon, ThresholdsAreStrictAndNotANumberIsTheSteepestFall) {
    const TrendCase cases[] = {
        {10.0f, IDI_TREND_RISE},
        {10.01f, IDI_TREND_STRONG_RISE},
        {5.0f, IDI_TREND_STEADY},
        {5.01f, IDI_TREND_RISE},
        {0.0f, IDI_TREND_STEADY},
        {-5.0f, IDI_TREND_STEADY},
        {-5.01f, IDI_TREND_FALL},
        {-10.0f, IDI_TREND_FALL},
        {-10.01f, IDI_TREND_STRONG_FALL},
        {NAN, IDI_TREND_STRONG_FALL},
        {-NAN, IDI_TREND_STRONG_FALL},
        {INFINITY, IDI_TREND_STRONG_RISE},
        {-INFINITY, IDI_TREND_STRONG_FALL},
    };
    for (const TrendCase &c : cases) {
        EXPECT_EQ(refresh_trend_icon(c.sum), c.icon) << "sum " << c.sum;
    }
}

TEST(RefreshTerm, DividesByTheLastSaleNotThePreviousClose) {
    EXPECT_FLOAT_EQ(refresh_add_term(0.0f, 20.0f, 0.0f), 100.0f);
    EXPECT_FLOAT_EQ(refresh_add_term(0.0f, 20.0f, 22.0f), -10.0f);
    EXPECT_FLOAT_EQ(refresh_add_term(7.0f, 20.0f, 22.0f), -3.0f);
}

TEST(RefreshTerm, ThresholdsApplyToTheSumNotTheMean) {
    float sum = 0.0f;
    for (int i = 0; i < 3; ++i) {
        sum = refresh_add_term(sum, 25.0f, 24.0f);  // each rose 4 % of the last sale
    }
    EXPECT_FLOAT_EQ(sum, 12.0f);
    EXPECT_EQ(refresh_trend_icon(sum), (uint32_t)IDI_TREND_STRONG_RISE);
}

TEST(RefreshTerm, AnInfinitePriceMakesTheSumNotANumber) {
    float sum = refresh_add_term(3.0f, INFINITY, 1.0f);
    EXPECT_TRUE(isnan(sum));
    EXPECT_EQ(refresh_trend_icon(sum), (uint32_t)IDI_TREND_STRONG_FALL);
}

TEST(RefreshInterval, ZeroRunsAtTheDefaultAndLongIntervalsAtTheLongestThatFits) {
    const struct {
        uint32_t minutes;
        uint32_t milliseconds;
    } cases[] = {
        {0, 900000u},         {1, 60000u},          {15, 900000u},
        {71582, 4294920000u}, {71583, 4294920000u}, {4294967295u, 4294920000u},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(refresh_interval_ms(c.minutes), c.milliseconds) << c.minutes << " minutes";
    }
}

TEST(RefreshRequest, IsZeroFilledWithTheSymbolAndTheProxyTextWhenOneIsSet) {
    QuoteRecord record = quoted("MSFT", 0, 0);
    QuoteRequest request;
    memset(&request, 0xAB, sizeof(request));
    refresh_build_request(&request, &record, "", 8080);
    EXPECT_STREQ(request.symbol, "MSFT");
    const char zeros[sizeof(request.proxy)] = {};
    EXPECT_EQ(memcmp(request.proxy, zeros, sizeof(zeros)), 0);
    EXPECT_EQ(request.last_sale, 0.0f);
    EXPECT_EQ(request.detail_url[sizeof(request.detail_url) - 1], '\0');

    refresh_build_request(&request, &record, "proxy.example", 8080);
    EXPECT_STREQ(request.proxy, "proxy.example:8080");
}

TEST(RefreshRequest, TheLongestProxyAndPortFitTheField) {
    QuoteRecord record = quoted("MSFT", 0, 0);
    std::string address(259, 'p');
    QuoteRequest request;
    refresh_build_request(&request, &record, address.c_str(), 4294967295u);
    EXPECT_EQ(std::string(request.proxy), address + ":4294967295");
    EXPECT_EQ(strlen(request.proxy), 270u);
}

TEST(RefreshTakeAnswer, CopiesTheQuoteAndTimeAndCutsUnterminatedTexts) {
    QuoteRecord record = quoted("ABC", 1.0f, 1.0f);
    strcpy(record.description, "Alphabet Soup");
    QuoteRequest request;
    memset(&request, 'm', sizeof(request));
    request.last_sale = 12.5f;
    request.todays_high = 13.0f;
    request.todays_low = 12.0f;
    request.previous_close = 12.25f;
    request.volume = 4000000000u;
    const QuoteTime now = {2024, 5, 3, 17, 9, 30, 15, 250};

    refresh_take_answer(&record, &request, &now);

    EXPECT_STREQ(record.symbol, "ABC");
    EXPECT_STREQ(record.description, "Alphabet Soup");
    EXPECT_EQ(record.last_sale, 12.5f);
    EXPECT_EQ(record.todays_high, 13.0f);
    EXPECT_EQ(record.todays_low, 12.0f);
    EXPECT_EQ(record.previous_close, 12.25f);
    EXPECT_EQ(record.volume, 4000000000u);
    EXPECT_EQ(memcmp(&record.updated, &now, sizeof(now)), 0);
    EXPECT_EQ(std::string(record.market), std::string(QUOTE_MARKET_SIZE - 1, 'm'));
    EXPECT_EQ(std::string(record.detail_url), std::string(QUOTE_DETAIL_URL_SIZE - 1, 'm'));
}

TEST(RefreshLine, IsSymbolColonDollarPriceAndABlankCutAtItsBuffer) {
    char line[REFRESH_LINE_SIZE];
    EXPECT_EQ(refresh_format_line(line, "ABC", 12.5f), 13u);
    EXPECT_STREQ(line, "ABC:$12.5000 ");

    memset(line, 'x', sizeof(line));
    size_t length = refresh_format_line(line, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", FLT_MAX);
    EXPECT_EQ(length, REFRESH_LINE_SIZE - 1u);
    EXPECT_EQ(line[REFRESH_LINE_SIZE - 1], '\0');
    EXPECT_EQ(strncmp(line, "ABCDEFGHIJKLMNOPQRSTUVWXYZ:$3402823", 35), 0);

    EXPECT_EQ(refresh_format_line(line, "%s%n", 1.0f), 13u);
    EXPECT_STREQ(line, "%s%n:$1.0000 ");
}

struct GrowthCase {
    int balloon_capable;
    int lines;
    int tooltip_lines;
    int balloon_lines;
};

TEST(RefreshPass, TextsGrowWhileTheNextLineFits) {
    // 13-character lines: 4 fit the small tooltip (63), 9 the large (127),
    // and each balloon line takes 14 with its "\n", so 18 fit 255.
    const GrowthCase cases[] = {
        {0, 4, 4, 4}, {0, 5, 4, 5}, {1, 9, 9, 9}, {1, 10, 9, 10}, {1, 25, 9, 18},
    };
    for (const GrowthCase &c : cases) {
        char balloon[256];
        RefreshPass pass;
        refresh_pass_begin(&pass, c.balloon_capable, balloon);
        QuoteRecord record = quoted("ABC", 12.5f, 12.5f);
        for (int i = 0; i < c.lines; ++i) {
            refresh_pass_add(&pass, &record);
        }
        std::string tooltip = refresh_pass_tooltip(&pass);
        EXPECT_EQ(count_lines(tooltip, "ABC:$12.5000 "), c.tooltip_lines) << c.lines;
        EXPECT_EQ(count_lines(balloon, "\nABC:$12.5000 "), c.balloon_lines) << c.lines;
        EXPECT_LE(tooltip.size(), (c.balloon_capable ? 127u : 63u));
        EXPECT_LE(strlen(balloon), 255u);
    }
}

TEST(RefreshPass, ALaterShorterLineStillFits) {
    char balloon[256];
    RefreshPass pass;
    refresh_pass_begin(&pass, 0, balloon);
    QuoteRecord long_line = quoted("ABC", 12.5f, 12.5f);
    QuoteRecord short_line = quoted("A", 1.0f, 1.0f);  // "A:$1.0000 " is 10
    for (int i = 0; i < 5; ++i) {
        refresh_pass_add(&pass, &long_line);
    }
    refresh_pass_add(&pass, &short_line);
    EXPECT_EQ(std::string(refresh_pass_tooltip(&pass)),
              "ABC:$12.5000 ABC:$12.5000 ABC:$12.5000 ABC:$12.5000 A:$1.0000 ");
}

}  // namespace

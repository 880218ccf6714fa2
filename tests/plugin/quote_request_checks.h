// Checks on a QuoteRequest shared by the parser's and the plug-in's tests.
#ifndef MORVANE_TESTS_PLUGIN_QUOTE_REQUEST_CHECKS_H
#define MORVANE_TESTS_PLUGIN_QUOTE_REQUEST_CHECKS_H

#include <gtest/gtest.h>

#include "plugin/quote_plugin.h"

// Every out field reads as "nothing found": numbers 0, texts empty.
inline void expect_out_fields_reset(const QuoteRequest &request) {
    EXPECT_EQ(request.last_sale, 0.0f);
    EXPECT_EQ(request.previous_close, 0.0f);
    EXPECT_EQ(request.todays_high, 0.0f);
    EXPECT_EQ(request.todays_low, 0.0f);
    EXPECT_EQ(request.volume, 0u);
    EXPECT_STREQ(request.market, "");
    EXPECT_STREQ(request.detail_url, "");
}

// The out fields a page should have given.
struct ExpectedQuote {
    float last_sale;
    float previous_close;
    float todays_high;
    float todays_low;
    uint32_t volume;
    const char *market;
    const char *detail_url;
};

inline void expect_out_fields(const QuoteRequest &request, const ExpectedQuote &expected) {
    EXPECT_EQ(request.last_sale, expected.last_sale);
    EXPECT_EQ(request.previous_close, expected.previous_close);
    EXPECT_EQ(request.todays_high, expected.todays_high);
    EXPECT_EQ(request.todays_low, expected.todays_low);
    EXPECT_EQ(request.volume, expected.volume);
    EXPECT_STREQ(request.market, expected.market);
    EXPECT_STREQ(request.detail_url, expected.detail_url);
}

#endif

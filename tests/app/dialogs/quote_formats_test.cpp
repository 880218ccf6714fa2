#include "app/dialogs/quote_formats.h"

#include <float.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

namespace {

QuoteRecord quoted_record(const char *symbol, float last_sale) {
    QuoteRecord record;
    memset(&record, 0, sizeof(record));
    strcpy(record.symbol, symbol);
    record.last_sale = last_sale;
    return record;
}

// Fills a text field completely, leaving it without a terminator.
void fill_unterminated(char *field, size_t size, char c) { memset(field, c, size); }

TEST(QuoteFormats, ListShowsOnlyQuotedLiveRecords) {
    struct Case {
        const char *symbol;
        float last_sale;
        bool listed;
    } cases[] = {
        {"ACME", 12.5f, true},  {"ACME", 0.0f, false}, {"ACME", -1.0f, false},
        {"NULL", 12.5f, false}, {"null", 12.5f, true}, {"NULLX", 1.0f, true},
    };
    for (const Case &c : cases) {
        QuoteRecord record = quoted_record(c.symbol, c.last_sale);
        EXPECT_EQ(quote_record_is_listed(&record), c.listed) << c.symbol << " " << c.last_sale;
    }
}

TEST(QuoteFormats, LineHasTabsPriceAndPaddedDate) {
    QuoteRecord record = quoted_record("ACME", 12.5f);
    strcpy(record.description, "Acme Tools");
    record.updated = QuoteTime{2002, 3, 4, 7, 9, 5, 0, 999};
    char line[QUOTE_LINE_TEXT_SIZE];
    format_quote_line(line, sizeof(line), &record);
    EXPECT_STREQ(line, "ACME\t$12.5000\t\t2002-03-07 09:05:00\tAcme Tools");
}

TEST(QuoteFormats, LineOfWorstCaseRecordFitsItsBuffer) {
    QuoteRecord record = quoted_record("", FLT_MAX);
    fill_unterminated(record.symbol, sizeof(record.symbol), 'S');
    fill_unterminated(record.description, sizeof(record.description), 'D');
    record.updated = QuoteTime{65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535};
    char line[QUOTE_LINE_TEXT_SIZE];
    int length = format_quote_line(line, sizeof(line), &record);
    ASSERT_LT(length, static_cast<int>(sizeof(line)));
    std::string text(line);
    EXPECT_EQ(text.substr(0, 16), std::string(15, 'S') + "\t");
    EXPECT_EQ(text.substr(text.size() - 256), "\t" + std::string(255, 'D'));
}

TEST(QuoteFormats, NameLineOfUnterminatedTextsStaysWithinTheFields) {
    QuoteRecord record = quoted_record("ACME", 1.0f);
    char name[QUOTE_NAME_TEXT_SIZE];
    fill_unterminated(record.description, sizeof(record.description), 'D');
    fill_unterminated(record.symbol, sizeof(record.symbol), 'S');
    fill_unterminated(record.market, sizeof(record.market), 'M');
    int length = format_quote_name(name, sizeof(name), &record);
    EXPECT_EQ(length, 255 + 2 + 15 + 4 + 127);
    EXPECT_EQ(strlen(name), static_cast<size_t>(length));
}

TEST(QuoteFormats, LargestPricesFitTheirBuffer) {
    char text[QUOTE_PRICE_TEXT_SIZE];
    EXPECT_LT(format_quote_price(text, sizeof(text), -FLT_MAX), static_cast<int>(sizeof(text)));
    EXPECT_LT(format_quote_net_change(text, sizeof(text), -FLT_MAX, FLT_MAX),
              static_cast<int>(sizeof(text)));
}

TEST(QuoteFormats, NetChangeRiseInPlainFormFallAndZeroInParentheses) {
    struct Case {
        float last_sale;
        float previous_close;
        const char *text;
    } cases[] = {
        {10.0f, 9.5f, "$0.5000 "},
        {9.5f, 10.0f, "($0.5000) "},
        {10.0f, 10.0f, "($0.0000) "},
        {0.0f, 0.0f, "($0.0000) "},
        {-0.0f, 0.0f, "($0.0000) "},
        // Subtracted in double precision: in float the result would round
        // to 10000000.0000.
        {10000000.0f, 0.0001f, "$9999999.9999 "},
        {0.1f, 0.0f, "$0.1000 "},
    };
    for (const Case &c : cases) {
        char text[QUOTE_PRICE_TEXT_SIZE];
        format_quote_net_change(text, sizeof(text), c.last_sale, c.previous_close);
        EXPECT_STREQ(text, c.text) << c.last_sale << " - " << c.previous_close;
    }
}

TEST(QuoteFormats, OnlyHttpAndHttpsAddressesAreWebAddresses) {
    struct Case {
        const char *text;
        bool web;
    } cases[] = {
        {"", false},
        {"ftp://x", false},
        {"javascript:http", false},
        {"HTTP://X", true},
        {"https://x", true},
        {"HtTpS://x", true},
        {"http://", true},
        {"http:/x", false},
        {"httpx://x", false},
        {" http://x", false},
        {"c:\\windows\\system32\\calc.exe http", false},
        {"file://c:/x?http://", false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(is_web_address(c.text, QUOTE_DETAIL_URL_SIZE), c.web) << c.text;
    }
}

TEST(QuoteFormats, WebAddressCheckStaysInsideItsField) {
    // A five-byte field holding "http:" without a terminator: the check must
    // not read past it to find the rest of the prefix.
    const char field[] = {'h', 't', 't', 'p', ':', '/', '/', 'x', '\0'};
    EXPECT_FALSE(is_web_address(field, 5));
    EXPECT_TRUE(is_web_address(field, sizeof(field)));
}

}  // namespace

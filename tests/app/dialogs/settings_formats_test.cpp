#include "app/dialogs/settings_formats.h"

#include <string.h>

#include <string>

#include <gtest/gtest.h>

namespace {

QuoteRecord record_with(const char *symbol, const char *description) {
    QuoteRecord record;
    memset(&record, 0, sizeof(record));
    strncpy(record.symbol, symbol, sizeof(record.symbol) - 1);
    strncpy(record.description, description, sizeof(record.description) - 1);
    return record;
}

TEST(SettingsLine, LongestFieldsFillTheBufferExactly) {
    QuoteRecord record;
    memset(&record, 'x', sizeof(record));
    record.symbol[sizeof(record.symbol) - 1] = '\0';
    record.description[sizeof(record.description) - 1] = '\0';
    char line[SETTINGS_LINE_SIZE + 8];
    memset(line, '#', sizeof(line));
    format_settings_line(line, SETTINGS_LINE_SIZE, &record);
    EXPECT_EQ(strlen(line), 273u);
    EXPECT_EQ(line[SETTINGS_LINE_SIZE], '#');
    EXPECT_EQ(std::string(line).substr(255), " (xxxxxxxxxxxxxxx)");
}

// Records read from a damaged store may lack terminators; the line must stop
// at the fields' ends instead of running into the next field.
TEST(SettingsLine, UnterminatedFieldsAreCutAtTheirWidth) {
    QuoteRecord record;
    memset(&record, 'y', sizeof(record));
    char line[SETTINGS_LINE_SIZE];
    format_settings_line(line, sizeof(line), &record);
    EXPECT_EQ(std::string(line), std::string(255, 'y') + " (" + std::string(15, 'y') + ")");
}

struct AcceptCase {
    const char *name;
    const char *symbol;
    const char *description;
    int accepted;
    const char *stored_symbol;
    const char *stored_description;
};

class AcceptSymbolTexts : public testing::TestWithParam<AcceptCase> {};

TEST_P(AcceptSymbolTexts, StoresWhatOkKeeps) {
    const AcceptCase &c = GetParam();
    QuoteRecord record = record_with("OLD", "Old description");
    QuoteRecord before = record;
    EXPECT_EQ(accept_symbol_texts(&record, c.symbol, c.description), c.accepted);
    if (!c.accepted) {
        EXPECT_EQ(memcmp(&record, &before, sizeof(record)), 0)
            << "a refused symbol leaves the record as it was";
        return;
    }
    EXPECT_STREQ(record.symbol, c.stored_symbol);
    EXPECT_STREQ(record.description, c.stored_description);
}

const std::string kLongDescription(300, 'd');
const std::string kCutDescription = kLongDescription.substr(0, 254);

INSTANTIATE_TEST_SUITE_P(
    Cases, AcceptSymbolTexts,
    testing::Values(
        AcceptCase{"LowerCaseIsUpperCased", "msft", "Microsoft", 1, "MSFT", "Microsoft"},
        AcceptCase{"TwoLettersWithEmptyDescription", "ab", "", 1, "AB", "AB"},
        AcceptCase{"OneLetterIsRefused", "a", "One letter", 0, nullptr, nullptr},
        AcceptCase{"EmptyIsRefused", "", "Empty", 0, nullptr, nullptr},
        AcceptCase{"TypedNullBecomesTheDeletedMark", "null", "", 1, "NULL", "NULL"},
        AcceptCase{"TwentyCharactersKeepFourteen", "abcdefghijklmnopqrst", "", 1, "ABCDEFGHIJKLMN",
                   "ABCDEFGHIJKLMN"},
        AcceptCase{"BlanksCount", " x", "", 1, " X", " X"},
        AcceptCase{"BytesAbove127StayAsTheyAre", "\xe9z-1", "", 1, "\xe9Z-1", "\xe9Z-1"},
        AcceptCase{"LongDescriptionKeeps254", "ibm", kLongDescription.c_str(), 1, "IBM",
                   kCutDescription.c_str()}),
    [](const testing::TestParamInfo<AcceptCase> &info) { return std::string(info.param.name); });

TEST(AcceptSymbolTexts, NeverWritesTheLastByteOfAField) {
    QuoteRecord record;
    memset(&record, 0x5a, sizeof(record));
    ASSERT_EQ(accept_symbol_texts(&record, std::string(40, 's').c_str(), kLongDescription.c_str()),
              1);
    EXPECT_EQ(record.symbol[sizeof(record.symbol) - 1], 0x5a);
    EXPECT_EQ(record.description[sizeof(record.description) - 1], 0x5a);
    EXPECT_EQ(record.symbol[14], '\0');
    EXPECT_EQ(record.description[254], '\0');
    EXPECT_EQ(reinterpret_cast<unsigned char *>(&record.last_sale)[0], 0x5a)
        << "other fields untouched";
}

}  // namespace

namespace {

struct IntervalText {
    const char *text;
    uint32_t minutes;
};

class IntervalFromText : public testing::TestWithParam<IntervalText> {};

TEST_P(IntervalFromText, ReadsUnsignedDecimalOrZero) {
    EXPECT_EQ(interval_from_text(GetParam().text), GetParam().minutes)
        << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IntervalFromText,
    testing::Values(IntervalText{"30", 30}, IntervalText{"  30  ", 30}, IntervalText{"007", 7},
                    IntervalText{"4294967295", 4294967295u}, IntervalText{"4294967296", 0},
                    IntervalText{"99999999999999999999", 0}, IntervalText{"", 0},
                    IntervalText{"   ", 0}, IntervalText{"-5", 0}, IntervalText{"+5", 0},
                    IntervalText{"ten", 0}, IntervalText{"12abc", 0}, IntervalText{"1 2", 0}));

}  // namespace

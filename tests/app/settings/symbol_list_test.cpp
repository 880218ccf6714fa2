// The quote record helpers and the symbol list, natively under sanitizers.
#include <string.h>

#include <gtest/gtest.h>

#include "app/settings/quote_record.h"
#include "app/settings/symbol_list.h"

namespace {

QuoteRecord make_record(const char *symbol, float last_sale) {
    QuoteRecord record;
    memset(&record, 0, sizeof(record));
    snprintf(record.symbol, sizeof(record.symbol), "%s", symbol);
    snprintf(record.description, sizeof(record.description), "%s Inc.", symbol);
    record.last_sale = last_sale;
    return record;
}

class SymbolListTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(symbol_list_create(&list_), 1); }
    void TearDown() override {
        if (list_ != nullptr) {
            EXPECT_EQ(symbol_list_free(list_), 1);
        }
    }
    void append(const char *symbol, float last_sale = 0.0f) {
        QuoteRecord record = make_record(symbol, last_sale);
        ASSERT_EQ(symbol_list_append(list_, &record, sizeof(record)), 1);
    }
    QuoteRecord *at(int32_t position) {
        QuoteRecord *record = nullptr;
        EXPECT_EQ(symbol_list_get(list_, &record, position), 1) << "position " << position;
        return record;
    }

    SymbolList *list_ = nullptr;
};

TEST_F(SymbolListTest, NewListHasNoPositions) {
    QuoteRecord *untouched = reinterpret_cast<QuoteRecord *>(0x1234);
    EXPECT_EQ(symbol_list_get(list_, &untouched, 0), 0);
    EXPECT_EQ(untouched, reinterpret_cast<QuoteRecord *>(0x1234));
    EXPECT_EQ(symbol_list_last_position(list_), -1);
}

TEST_F(SymbolListTest, PositionsFollowAppendOrderAndFailOutsideTheList) {
    append("AAA", 1.0f);
    append("BBB", 2.0f);
    append("CCC", 3.0f);
    const char *expected[] = {"AAA", "BBB", "CCC"};
    for (int32_t position = 0; position < 3; ++position) {
        QuoteRecord *record = at(position);
        ASSERT_NE(record, nullptr);
        EXPECT_STREQ(record->symbol, expected[position]);
        EXPECT_FLOAT_EQ(record->last_sale, static_cast<float>(position + 1));
    }
    EXPECT_EQ(symbol_list_last_position(list_), 2);

    const int32_t outside[] = {3, 4, -1, -2, INT32_MIN, INT32_MAX};
    for (int32_t position : outside) {
        QuoteRecord sentinel;
        QuoteRecord *out = &sentinel;
        EXPECT_EQ(symbol_list_get(list_, &out, position), 0) << "position " << position;
        EXPECT_EQ(out, &sentinel) << "out argument written for position " << position;
    }
}

TEST_F(SymbolListTest, TombstoneLeavesOtherPositionsInPlace) {
    append("AAA");
    append("BBB");
    append("CCC");
    QuoteRecord *first = at(0);
    QuoteRecord *third = at(2);
    strcpy(at(1)->symbol, QUOTE_DELETED_SYMBOL);
    EXPECT_TRUE(quote_record_is_deleted(at(1)));
    EXPECT_EQ(at(0), first);
    EXPECT_EQ(at(2), third);
    EXPECT_STREQ(at(2)->symbol, "CCC");
    EXPECT_EQ(symbol_list_last_position(list_), 2);
}

TEST_F(SymbolListTest, TwoGetsOfOnePositionShareTheRecord) {
    append("AAA");
    QuoteRecord *earlier = at(0);
    at(0)->last_sale = 42.5f;
    EXPECT_FLOAT_EQ(earlier->last_sale, 42.5f);
}

TEST_F(SymbolListTest, RecordsKeepTheirAddressesAcrossManyAppends) {
    const int32_t count = 1500;
    QuoteRecord *addresses[count];
    char symbol[16];
    for (int32_t n = 0; n < count; ++n) {
        snprintf(symbol, sizeof(symbol), "S%d", n);
        append(symbol);
        addresses[n] = at(n);
        ASSERT_EQ(symbol_list_last_position(list_), n);
    }
    for (int32_t n = 0; n < count; ++n) {
        snprintf(symbol, sizeof(symbol), "S%d", n);
        ASSERT_EQ(at(n), addresses[n]) << "record " << n << " moved";
        ASSERT_STREQ(addresses[n]->symbol, symbol);
    }
}

TEST_F(SymbolListTest, AWalkHandsOutWhatGetGivesForPositionsZeroTo999) {
    char symbol[16];
    for (int32_t n = 0; n < 1500; ++n) {
        snprintf(symbol, sizeof(symbol), "S%d", n);
        append(symbol);
    }
    // Deleted records keep their positions and are handed out like any.
    strcpy(at(7)->symbol, QUOTE_DELETED_SYMBOL);
    SymbolWalk walk = symbol_list_walk(list_);
    QuoteRecord *record = nullptr;
    int32_t position = -1;
    int32_t expected = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        ASSERT_EQ(position, expected);
        ASSERT_EQ(record, at(position)) << "position " << position;
        ++expected;
    }
    EXPECT_EQ(expected, SYMBOL_LIST_MAX_POSITIONS);
    EXPECT_EQ(position, SYMBOL_LIST_MAX_POSITIONS - 1);  // untouched by the step that ended it
    EXPECT_EQ(record, at(SYMBOL_LIST_MAX_POSITIONS - 1));
    EXPECT_EQ(symbol_list_walk_next(&walk, &record, &position), 0);
}

TEST_F(SymbolListTest, AWalkOfAShortListEndsAfterItsLastRecord) {
    append("AAA");
    append("BBB");
    SymbolWalk walk = symbol_list_walk(list_);
    QuoteRecord *record = nullptr;
    int32_t position = -1;
    ASSERT_EQ(symbol_list_walk_next(&walk, &record, &position), 1);
    EXPECT_STREQ(record->symbol, "AAA");
    EXPECT_EQ(position, 0);
    ASSERT_EQ(symbol_list_walk_next(&walk, &record, &position), 1);
    EXPECT_STREQ(record->symbol, "BBB");
    EXPECT_EQ(position, 1);
    EXPECT_EQ(symbol_list_walk_next(&walk, &record, &position), 0);
    EXPECT_STREQ(record->symbol, "BBB");
    EXPECT_EQ(position, 1);
}

TEST(SymbolListMissing, EveryOperationFailsWithoutAList) {
    QuoteRecord record = make_record("AAA", 1.0f);
    QuoteRecord *out = &record;
    EXPECT_EQ(symbol_list_append(nullptr, &record, sizeof(record)), 0);
    EXPECT_EQ(symbol_list_get(nullptr, &out, 0), 0);
    EXPECT_EQ(out, &record);
    EXPECT_EQ(symbol_list_last_position(nullptr), -1);
    EXPECT_EQ(symbol_list_free(nullptr), 0);
    SymbolWalk walk = symbol_list_walk(nullptr);
    int32_t position = -1;
    EXPECT_EQ(symbol_list_walk_next(&walk, &out, &position), 0);
    EXPECT_EQ(out, &record);
    EXPECT_EQ(position, -1);
}

TEST(SymbolListFree, EmptyListIsReleased) {
    SymbolList *list = nullptr;
    ASSERT_EQ(symbol_list_create(&list), 1);
    ASSERT_NE(list, nullptr);
    SymbolWalk walk = symbol_list_walk(list);
    QuoteRecord *record = nullptr;
    int32_t position = -1;
    EXPECT_EQ(symbol_list_walk_next(&walk, &record, &position), 0);
    EXPECT_EQ(symbol_list_free(list), 1);  // the leak checker sees a lost head
}

TEST(QuoteRecordDeleted, OnlyTheExactUpperCaseTextMarksADeletedEntry) {
    struct Case {
        const char *symbol;
        int deleted;
    } cases[] = {{"NULL", 1}, {"null", 0}, {"Null", 0}, {"NULLX", 0},
                 {"NUL", 0},  {"", 0},     {"MSFT", 0}};
    for (const Case &c : cases) {
        QuoteRecord record = make_record(c.symbol, 0.0f);
        EXPECT_EQ(quote_record_is_deleted(&record) != 0, c.deleted != 0) << '"' << c.symbol << '"';
    }
}

TEST(QuoteRecordDeleted, UnterminatedSymbolIsReadWithinItsField) {
    QuoteRecord record;
    memset(&record, 'N', sizeof(record));
    EXPECT_FALSE(quote_record_is_deleted(&record));
}

struct TextField {
    const char *name;
    size_t offset;
    size_t width;
};

const TextField kTextFields[] = {
    {"symbol", offsetof(QuoteRecord, symbol), QUOTE_SYMBOL_SIZE},
    {"description", offsetof(QuoteRecord, description), QUOTE_DESCRIPTION_SIZE},
    {"market", offsetof(QuoteRecord, market), QUOTE_MARKET_SIZE},
    {"detail_url", offsetof(QuoteRecord, detail_url), QUOTE_DETAIL_URL_SIZE},
};

TEST(QuoteRecordTerminate, FieldsWithoutAZeroEndInTheirLastByte) {
    unsigned char bytes[QUOTE_RECORD_SIZE];
    memset(bytes, 'A', sizeof(bytes));
    QuoteRecord record;
    memcpy(&record, bytes, sizeof(record));
    quote_record_terminate_texts(&record);
    const unsigned char *after = reinterpret_cast<const unsigned char *>(&record);
    for (const TextField &field : kTextFields) {
        EXPECT_EQ(strlen(reinterpret_cast<const char *>(after + field.offset)), field.width - 1)
            << field.name;
    }
    for (size_t i = 0; i < sizeof(bytes); ++i) {
        bool last_of_field = false;
        for (const TextField &field : kTextFields)
            last_of_field |= i == field.offset + field.width - 1;
        if (!last_of_field) {
            ASSERT_EQ(after[i], 'A') << "byte " << i << " changed";
        }
    }
}

TEST(QuoteRecordTerminate, TerminatedFieldsAreLeftByteForByte) {
    // Where the zero sits in each field: first byte, second byte, last byte.
    for (size_t where : {size_t{0}, size_t{1}, size_t{~0u}}) {
        QuoteRecord record;
        memset(&record, 'B', sizeof(record));
        char *bytes = reinterpret_cast<char *>(&record);
        for (const TextField &field : kTextFields) {
            bytes[field.offset + (where == ~0u ? field.width - 1 : where)] = '\0';
        }
        QuoteRecord before;
        memcpy(&before, &record, sizeof(record));
        quote_record_terminate_texts(&record);
        EXPECT_EQ(memcmp(&before, &record, sizeof(record)), 0) << "zero at " << where;
    }
}

}  // namespace

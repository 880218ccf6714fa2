// The decimal conversions read numbers the same way on every runtime:
// C-locale white space, sign, digits, point, complete exponent, nothing else.
#include "plugin/decimal_text.h"

#include <gtest/gtest.h>

#include <math.h>

#include <string>

namespace {

struct DoubleCase {
    const char *text;
    double expected;
};

// Expected values are the compiler's own reading of the same literal.
const DoubleCase kDoubleGrammar[] = {
    {"", 0.0},
    {"   ", 0.0},
    {"abc", 0.0},
    {"+", 0.0},
    {"-", 0.0},
    {".", 0.0},
    {"-.", 0.0},
    {"e5", 0.0},
    {".e5", 0.0},
    {"12.25", 12.25},
    {" \t\n\v\f\r42", 42.0},
    {"\xA0"
     "42",
     0.0},
    {"+7", 7.0},
    {"-7", -7.0},
    {".5", .5},
    {"5.", 5.},
    {"-.5e-2", -.5e-2},
    {"1e5", 1e5},
    {"1E+5", 1E+5},
    {"2.5e-3x", 2.5e-3},
    {"1e", 1.0},
    {"1e+", 1.0},
    {"1E-", 1.0},
    {"1ex", 1.0},
    {"1 e5", 1.0},
    {"1e5e5", 1e5},
    {"1.2.3", 1.2},
    {"12abc", 12.0},
    {"--1", 0.0},
    {"+-1", 0.0},
    {"$12.25", 0.0},
    {"1,234.50", 1.0},
    {"inf", 0.0},
    {"infinity", 0.0},
    {"-inf", 0.0},
    {"nan", 0.0},
    {"NAN(1)", 0.0},
    {"0x1A", 0.0},
    {"0X1p3", 0.0},
    {"007.50", 7.5},
    {"0.000123", 0.000123},
    {"0.1", 0.1},
    {"123456789012345678901234567890", 123456789012345678901234567890.0},
    {"2.2250738585072011e-308", 2.2250738585072011e-308},
    {"4.9e-324", 4.9e-324},
    {"1.7976931348623157e308", 1.7976931348623157e308},
    {"9007199254740993", 9007199254740993.0},
    {"1e-400", 0.0},
};

TEST(DecimalToDouble, FollowsTheGrammarAndRoundsCorrectly) {
    for (const DoubleCase &c : kDoubleGrammar) {
        EXPECT_EQ(decimal_to_double(c.text), c.expected) << "text: \"" << c.text << "\"";
    }
}

TEST(DecimalToDouble, KeepsTheSignOfZeroAndOverflowsToInfinity) {
    EXPECT_TRUE(signbit(decimal_to_double("-0")));
    EXPECT_TRUE(signbit(decimal_to_double("-0.000e7")));
    EXPECT_FALSE(signbit(decimal_to_double("0")));
    EXPECT_EQ(decimal_to_double("1e400"), HUGE_VAL);
    EXPECT_EQ(decimal_to_double("-1e99999999999999999999"), -HUGE_VAL);
    EXPECT_EQ(decimal_to_double("1e-99999999999999999999"), 0.0);
}

// Texts far longer than any double needs: digits past what is kept must still
// decide the rounding, and scale the value when they stand before the point.
TEST(DecimalToDouble, LongMantissasScaleAndRoundLikeShortOnes) {
    const std::string zeros(900, '0');
    EXPECT_EQ(decimal_to_double(("1" + zeros + "e-900").c_str()), 1.0);
    EXPECT_EQ(decimal_to_double(("0." + zeros + "1e901").c_str()), 1.0);
    EXPECT_EQ(decimal_to_double(("1" + zeros).c_str()), HUGE_VAL);
    // A mantissa's own exponent past the clamp, made up for by a long written one.
    EXPECT_EQ(decimal_to_double(("0." + std::string(1000000, '0') + "1e1000005").c_str()), 1e4);
    // 2^53 + 1 lies halfway between two doubles and rounds to even (2^53);
    // a non-zero digit far behind it tips it up to 2^53 + 2.
    EXPECT_EQ(decimal_to_double(("9007199254740993." + zeros).c_str()), 9007199254740992.0);
    EXPECT_EQ(decimal_to_double(("9007199254740993." + zeros + "1").c_str()), 9007199254740994.0);
    EXPECT_EQ(decimal_to_double(("9007199254740993" + zeros + "1e-901").c_str()),
              9007199254740994.0);
}

struct Int32Case {
    const char *text;
    uint32_t expected;
};

const Int32Case kInt32Grammar[] = {
    {"", 0u},
    {"abc", 0u},
    {"-", 0u},
    {"- 5", 0u},
    {"0", 0u},
    {"42", 42u},
    {" \t\n\v\f\r17x", 17u},
    {"+5", 5u},
    {"-1", 4294967295u},
    {"12,345", 12u},
    {"1.9", 1u},
    {"0x10", 0u},
    {"2147483647", 2147483647u},
    {"2147483648", 2147483648u},
    {"4294967295", 4294967295u},
    {"4294967296", static_cast<uint32_t>(4294967296ull)},
    {"4294967297", static_cast<uint32_t>(4294967297ull)},
    {"99999999999", static_cast<uint32_t>(99999999999ull)},
    {"-99999999999", 0u - static_cast<uint32_t>(99999999999ull)},
};

TEST(DecimalToInt32, FollowsTheGrammarAndWrapsAround) {
    for (const Int32Case &c : kInt32Grammar) {
        EXPECT_EQ(static_cast<uint32_t>(decimal_to_int32(c.text)), c.expected)
            << "text: \"" << c.text << "\"";
    }
    EXPECT_EQ(decimal_to_int32("-1"), -1);
}

}  // namespace

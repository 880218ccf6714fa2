// Texts in fixed fields: the length stops at the first zero or the field's
// end, the copy at the destination's size, and neither reads past the source.
#include "plugin/fixed_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct CopyCase {
    const char *name;
    std::string source;  // exactly the field's bytes, so the sanitizers catch a byte too far
    size_t dest_size;
    std::string expected;
};

const CopyCase kCopyCases[] = {
    {"terminated text that fits", std::string("ab\0cd", 5), 8, "ab"},
    {"field without a zero", "abcd", 8, "abcd"},
    {"cut at the destination", "abcdef", 4, "abc"},
    {"terminated text cut at the destination", std::string("abcdef\0", 7), 4, "abc"},
    {"empty field", std::string(1, '\0'), 4, ""},
    {"destination of one byte", "abc", 1, ""},
};

TEST(FixedText, CopyCutsAtTheSourceZeroItsEndOrTheDestination) {
    for (const CopyCase &c : kCopyCases) {
        std::vector<char> source(c.source.begin(), c.source.end());
        std::vector<char> dest(c.dest_size + 1, '#');
        size_t length = fixed_text_copy(dest.data(), c.dest_size, source.data(), source.size());
        EXPECT_EQ(length, c.expected.size()) << c.name;
        EXPECT_EQ(fixed_text_length(source.data(), source.size()),
                  std::min(c.source.find('\0'), c.source.size()))
            << c.name;
        EXPECT_EQ(std::string(dest.data()), c.expected) << c.name;
        EXPECT_EQ(dest[c.dest_size], '#') << c.name << ": wrote past the destination";
    }
}

}  // namespace

#include "pagefetch/url_split.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct SplitCase {
    const char *name;
    std::string url;  // may hold no zero: then url_size covers only its bytes
    uint32_t url_size;
    bool splits;
    const char *host;
    const char *path;
};

// Buffers of exactly url_size bytes, so the sanitizers catch a byte too far.
struct Parts {
    explicit Parts(uint32_t size) : host(size, '\0'), path(size, '\0') {}
    std::vector<char> host;
    std::vector<char> path;
};

// The zero-terminated text at the start of the first `size` bytes; a text
// that does not end within them comes back with a '!' behind it.
std::string text_within(const std::vector<char> &bytes, size_t size) {
    const size_t length = strnlen(bytes.data(), size);
    return std::string(bytes.data(), length) + (length == size && size > 0 ? "!" : "");
}

const SplitCase kCases[] = {
    {"plug-in address", std::string("http://quotes.example.com/Quote.dll?mode=stock&symbol=MSFT&multi.x=25&multi.y=13") + '\0',
     1024, true, "quotes.example.com", "Quote.dll?mode=stock&symbol=MSFT&multi.x=25&multi.y=13"},
    {"empty path", std::string("http://host/") + '\0', 13, true, "host", ""},
    {"port stays in the host", std::string("http://host:8080/a/b") + '\0', 64, true, "host:8080", "a/b"},
    {"scheme is not looked at", std::string("a/b/c/d") + '\0', 16, true, "c", "d"},
    {"empty host", std::string("http:///p") + '\0', 16, true, "", "p"},
    {"only two slashes", std::string("http://host") + '\0', 64, false, "", ""},
    {"third slash beyond url_size", std::string("http://host/path") + '\0', 11, false, "", ""},
    {"third slash is the last byte of url_size", std::string("http://host/path"), 12, true, "host", ""},
    {"path cut at url_size without a zero", std::string("http://h/abcdef"), 11, true, "h", "ab"},
    {"slash after the zero is not read", std::string("http://h\0/x", 11), 11, false, "", ""},
    {"url_size 0", std::string("http://h/p") + '\0', 0, false, "", ""},
};

TEST(UrlSplit, SplitsAtTheSecondAndThirdSlashWithinUrlSize) {
    for (const SplitCase &c : kCases) {
        SCOPED_TRACE(c.name);
        // The address lives in a buffer of exactly url_size bytes (or its own
        // length when that is smaller) so reading past url_size is caught.
        std::vector<char> url(c.url.begin(), c.url.end());
        url.resize(std::max<size_t>(c.url_size, 1));
        Parts parts(c.url_size + 1);  // one spare byte, checked below
        parts.host.back() = parts.path.back() = '#';
        EXPECT_EQ(split_url(url.data(), c.url_size, parts.host.data(), parts.path.data()), c.splits);
        EXPECT_EQ(text_within(parts.host, c.url_size), c.host);
        EXPECT_EQ(text_within(parts.path, c.url_size), c.path);
        EXPECT_EQ(parts.host.back(), '#');
        EXPECT_EQ(parts.path.back(), '#');
    }
}

TEST(UrlSplit, LongestPartsStillEndInAZeroInsideUrlSize) {
    // "//" then a host filling the rest but one byte, then '/': the path is
    // empty and the host is url_size - 3 bytes; then the other extreme.
    const uint32_t size = 40;
    std::string long_host = "//" + std::string(size - 3, 'h') + "/";
    std::string long_path = "///" + std::string(size - 3, 'p');
    for (const std::string &text : {long_host, long_path}) {
        ASSERT_EQ(text.size(), size);
        Parts parts(size);
        ASSERT_TRUE(split_url(text.data(), size, parts.host.data(), parts.path.data()));
        EXPECT_EQ(parts.host.back(), '\0');
        EXPECT_EQ(parts.path.back(), '\0');
        EXPECT_EQ(strlen(parts.host.data()) + strlen(parts.path.data()), size - 3);
    }
}

}  // namespace

#include "pagefetch/url_split.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <memory>
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
    {"plug-in address",
     std::string(
         "http://quotes.example.com/Quote.dll?mode=stock&symbol=MSFT&multi.x=25&multi.y=13") +
         '\0',
     1024, true, "quotes.example.com", "Quote.dll?mode=stock&symbol=MSFT&multi.x=25&multi.y=13"},
    {"empty path", std::string("http://host/") + '\0', 13, true, "host", ""},
    {"port stays in the host", std::string("http://host:8080/a/b") + '\0', 64, true, "host:8080",
     "a/b"},
    {"scheme is not looked at", std::string("a/b/c/d") + '\0', 16, true, "c", "d"},
    {"empty host", std::string("http:///p") + '\0', 16, true, "", "p"},
    {"only two slashes", std::string("http://host") + '\0', 64, false, "", ""},
    {"third slash beyond url_size", std::string("http://host/path") + '\0', 11, false, "", ""},
    {"third slash is the last byte of url_size", std::string("http://host/path"), 12, true, "host",
     ""},
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
        EXPECT_EQ(split_url(url.data(), c.url_size, parts.host.data(), parts.path.data()),
                  c.splits);
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

struct LocationCase {
    const char *name;
    const char *location;
    const char *base_path;  // the base host is always "quotes.test"
    const char *host;       // nullptr: not followed
    const char *path;
};

const std::string kTooLong(kLocationSize - 5, 'p');

const LocationCase kLocations[] = {
    {"absolute, same host", "http://quotes.test/test/body?size=600", "a/b", "quotes.test",
     "test/body?size=600"},
    {"absolute, other host, scheme in capitals", "HTTP://Other.example/x", "a/b", "Other.example",
     "x"},
    {"port 80 is dropped", "http://other:080/x", "a/b", "other", "x"},
    {"no path", "http://other", "a/b", "other", ""},
    {"query straight after the host", "http://other?q=1", "a/b", "other", "?q=1"},
    {"address in brackets with port 80", "http://[::1]:80/x", "a/b", "[::1]", "x"},
    {"network path keeps http", "//other/x", "a/b", "other", "x"},
    {"absolute path", "/test/body?size=600", "a/b", "quotes.test", "test/body?size=600"},
    {"relative path, a '/' in the base's query is no folder", "body?size=600",
     "test/redirect?to=/a/b", "quotes.test", "test/body?size=600"},
    {"relative path from the top folder", "page", "index", "quotes.test", "page"},
    {"new query keeps the base's path", "?b=2", "test/page?a=1", "quotes.test", "test/page?b=2"},
    {"fragment is not sent", "/x#/frag", "a/b", "quotes.test", "x"},
    {"https is not followed", "https://quotes.test/x", "a/b", nullptr, nullptr},
    {"http without its slashes", "http:x", "a/b", nullptr, nullptr},
    {"another port", "http://other:8080/x", "a/b", nullptr, nullptr},
    {"empty host", "http:///x", "a/b", nullptr, nullptr},
    {"user name", "http://user@other/x", "a/b", nullptr, nullptr},
    {"line break", "/x\r\nHost: other", "a/b", nullptr, nullptr},
    {"empty", "", "a/b", nullptr, nullptr},
    {"fragment only", "#top", "a/b", nullptr, nullptr},
    {"merged path too long", kTooLong.c_str(), "folder/page", nullptr, nullptr},
};

TEST(ResolveLocation, FollowsOnlyHttpOnPortEightyAndKeepsWhatARelativeLocationLeavesOut) {
    for (const LocationCase &c : kLocations) {
        SCOPED_TRACE(c.name);
        // On the heap, so the sanitizers see a write past the end.
        std::unique_ptr<RedirectTarget> target(new RedirectTarget);
        memset(target.get(), '#', sizeof *target);
        const bool follows = resolve_location(c.location, "quotes.test", c.base_path, target.get());
        EXPECT_EQ(follows, c.host != nullptr);
        if (follows && c.host != nullptr) {
            EXPECT_STREQ(target->host, c.host);
            EXPECT_STREQ(target->path, c.path);
        }
    }
}

}  // namespace

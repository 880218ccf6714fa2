// Morvane Quote Nasdaq.mqx as the tray program meets it: loaded by its file
// name, attached, and asked for quotes through its exports, with a page
// fetch that records what it is handed and serves a page of the test's
// choosing.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "plugin/quote_plugin.h"
#include "quote_request_checks.h"
#include "support/win32_test_support.h"

namespace {

const char kPluginFile[] = MQX_PLUGIN_FILE_NAME;
const uint32_t kPageCapacity = 150000;

// What the fake page fetch saw on its last call, and what it serves.
struct FetchLog {
    int calls;
    std::string url;
    uint32_t url_size;
    uint32_t length_on_entry;
    const char *proxy;
    std::string proxy_text;
    bool zero_past_capacity;  // the byte behind the `*length` usable ones was 0
    std::string page;         // written as text with its terminator
    bool fill_everything;     // write `*length` bytes and no terminator
};
FetchLog g_fetch;

int32_t MQ_CDECL fake_get_page(const char *url, uint32_t url_size, char *buffer, uint32_t *length,
                               const char *proxy) {
    ++g_fetch.calls;
    g_fetch.url = url;
    g_fetch.url_size = url_size;
    g_fetch.length_on_entry = *length;
    g_fetch.proxy = proxy;
    g_fetch.proxy_text = proxy;
    g_fetch.zero_past_capacity = buffer[*length] == '\0';
    if (g_fetch.fill_everything) {
        memset(buffer, 'x', *length);
        memcpy(buffer + *length - g_fetch.page.size(), g_fetch.page.data(), g_fetch.page.size());
        return 1;
    }
    memcpy(buffer, g_fetch.page.c_str(), g_fetch.page.size() + 1);
    *length = static_cast<uint32_t>(g_fetch.page.size());
    return 1;
}

// The plug-in loaded for one case and unloaded at its end, so every case
// starts from a fresh attach state.
class Plugin {
public:
    Plugin()
        : library_(kPluginFile),
          attach_(library_.resolve<MqxAttachFunction>(MQX_ATTACH_EXPORT)),
          quote_(library_.resolve<MqxQuoteFunction>(MQX_QUOTE_EXPORT)),
          detach_(library_.resolve<MqxDetachFunction>(MQX_DETACH_EXPORT)) {}

    bool ready() const { return attach_ != nullptr && quote_ != nullptr && detach_ != nullptr; }
    const mqtest::DeliverableLibrary &library() const { return library_; }

    // Attaches as the host does, with a record that dies on return and is
    // scribbled over first, as a stack frame reused by the host would be.
    int32_t attach_with_short_lived_record(int32_t version) {
        AttachRecord record;
        memset(&record, '#', sizeof record);
        record.version = version;
        record.get_page = fake_get_page;
        record.accepted = 0;
        attach_(&record);
        int32_t accepted = record.accepted;
        memset(&record, 0xCD, sizeof record);
        return accepted;
    }
    void attach(AttachRecord *record) { attach_(record); }
    int32_t quote(QuoteRequest *request) { return quote_(request); }
    void detach() { detach_(); }

private:
    mqtest::DeliverableLibrary library_;
    MqxAttachFunction attach_;
    MqxQuoteFunction quote_;
    MqxDetachFunction detach_;
};

class NasdaqPlugin : public testing::Test {
protected:
    void SetUp() override {
        g_fetch = FetchLog();
        ASSERT_TRUE(plugin_.ready()) << "cannot load " << mqtest::deliverable_path(kPluginFile);
    }

    // A request as the host sends it, its out fields holding garbage that the
    // plug-in must overwrite.
    static QuoteRequest request_for(const char *symbol, const char *proxy) {
        QuoteRequest request;
        memset(&request, 0, sizeof request);
        snprintf(request.proxy, sizeof request.proxy, "%s", proxy);
        snprintf(request.symbol, sizeof request.symbol, "%s", symbol);
        memset(&request.last_sale, 0x7B, sizeof request - offsetof(QuoteRequest, last_sale));
        return request;
    }

    Plugin plugin_;
};

std::string address_for(const std::string &symbol) {
    return "http://" MQ_QUOTE_HOST "/Quote.dll?mode=stock&symbol=" + symbol +
           "&multi.x=25&multi.y=13";
}

TEST(NasdaqPluginAttach, AcceptsOnlyVersion2AndNamesItselfOnlyThen) {
    const int32_t versions[] = {1, 2, 3};
    for (int32_t version : versions) {
        Plugin plugin;
        ASSERT_TRUE(plugin.ready());
        AttachRecord record;
        memset(&record, '#', sizeof record);
        record.version = version;
        record.get_page = fake_get_page;
        record.accepted = 7;  // a refusal must write 0, not leave it
        plugin.attach(&record);
        if (version == 2) {
            EXPECT_EQ(record.accepted, 1);
            EXPECT_STREQ(record.source_name, "Nasdaq");
        } else {
            EXPECT_EQ(record.accepted, 0) << "version " << version;
            const std::string untouched(sizeof record.source_name, '#');
            EXPECT_EQ(std::string(record.source_name, sizeof record.source_name), untouched)
                << "version " << version;
        }
        EXPECT_EQ(record.version, version);
    }
}

TEST_F(NasdaqPlugin, FetchesTheQuoteAddressThroughTheStoredAttachCopy) {
    ASSERT_EQ(plugin_.attach_with_short_lived_record(2), 1);
    QuoteRequest request = request_for("A&B C", "127.0.0.1:8080");
    const QuoteRequest before = request;

    EXPECT_NE(plugin_.quote(&request), 0);

    ASSERT_EQ(g_fetch.calls, 1);
    EXPECT_EQ(g_fetch.url, address_for("A&B C"));
    EXPECT_EQ(g_fetch.url_size, 1024u);
    EXPECT_EQ(g_fetch.length_on_entry, kPageCapacity);
    EXPECT_EQ(g_fetch.proxy, reinterpret_cast<const char *>(&request));
    EXPECT_EQ(g_fetch.proxy_text, "127.0.0.1:8080");
    EXPECT_EQ(memcmp(request.proxy, before.proxy, sizeof request.proxy), 0);
    EXPECT_EQ(memcmp(request.symbol, before.symbol, sizeof request.symbol), 0);
}

TEST_F(NasdaqPlugin, ResetsEveryOutFieldWhenThePageIsEmpty) {
    ASSERT_EQ(plugin_.attach_with_short_lived_record(2), 1);
    QuoteRequest request = request_for("MSFT", "");
    const QuoteRequest before = request;

    EXPECT_NE(plugin_.quote(&request), 0);

    ASSERT_EQ(g_fetch.calls, 1);
    EXPECT_EQ(g_fetch.proxy_text, "");
    expect_out_fields_reset(request);
    EXPECT_EQ(memcmp(&request, &before, offsetof(QuoteRequest, last_sale)), 0);
}

TEST_F(NasdaqPlugin, FillsTheRequestFromAPageWithEveryMarker) {
    ASSERT_EQ(plugin_.attach_with_short_lived_record(2), 1);
    g_fetch.page =
        "<b>Market</b> : NASDAQ-NM</td>"
        "<a href=\"offsite_quotes.asp?content=http://quotes.example/detail?MSFT\">"
        "Last Sale:</td><td>&nbsp;27.13</td>Previous Close:</td><td>&nbsp;26.875</td>"
        "Today's High:</td><td>&nbsp;27.5</td>Today's Low:</td><td>&nbsp;26.5</td>"
        "Volume:</td><td align=\"right\">31,415,926</td>";
    QuoteRequest request = request_for("MSFT", "");

    plugin_.quote(&request);

    expect_out_fields(request, {static_cast<float>(27.13), 26.875f, 27.5f, 26.5f, 31415926u,
                                "NASDAQ-NM", "http://quotes.example/detail?MSFT"});
}

// A fetch may fill its whole buffer without a terminator; the parser must
// still stop at the buffer's end.
TEST_F(NasdaqPlugin, ParsesAPageThatFillsTheWholeBuffer) {
    ASSERT_EQ(plugin_.attach_with_short_lived_record(2), 1);
    g_fetch.fill_everything = true;
    g_fetch.page = "Last Sale:&nbsp;1";
    QuoteRequest request = request_for("MSFT", "");

    plugin_.quote(&request);

    ASSERT_EQ(g_fetch.calls, 1);
    EXPECT_TRUE(g_fetch.zero_past_capacity);
    EXPECT_EQ(request.last_sale, 1.0f);
    EXPECT_STREQ(request.market, "");
}

// The host's symbol field without a terminator: only its first 127 bytes
// make the address, never the bytes of the fields behind it.
TEST_F(NasdaqPlugin, ReadsAnUnterminatedSymbolAsAtMost127Characters) {
    ASSERT_EQ(plugin_.attach_with_short_lived_record(2), 1);
    QuoteRequest request = request_for("", "");
    memset(request.symbol, 'S', sizeof request.symbol);

    plugin_.quote(&request);

    ASSERT_EQ(g_fetch.calls, 1);
    EXPECT_EQ(g_fetch.url, address_for(std::string(127, 'S')));
}

TEST_F(NasdaqPlugin, QuoteBeforeAnyAttachFetchesNothingAndResetsTheOutFields) {
    QuoteRequest request = request_for("MSFT", "");

    EXPECT_NE(plugin_.quote(&request), 0);

    EXPECT_EQ(g_fetch.calls, 0);
    EXPECT_EQ(request.last_sale, 0.0f);
    EXPECT_EQ(request.volume, 0u);
    EXPECT_STREQ(request.market, "");
}

// The loaded image's export directory: exactly the three plain names.
TEST_F(NasdaqPlugin, ExportsExactlyTheThreeEntryPoints) {
    const std::vector<std::string> expected = {MQX_ATTACH_EXPORT, MQX_DETACH_EXPORT,
                                               MQX_QUOTE_EXPORT};  // sorted
    EXPECT_EQ(plugin_.library().export_names(), expected);
    plugin_.detach();
}

TEST_F(NasdaqPlugin, CarriesItsNameAndAddressTemplateAsStrings) {
    char text[1024];
    ASSERT_GT(LoadStringA(plugin_.library().module(), 1, text, sizeof text), 0);
    EXPECT_STREQ(text, "Nasdaq");
    ASSERT_GT(LoadStringA(plugin_.library().module(), 2, text, sizeof text), 0);
    EXPECT_EQ(std::string(text), address_for("%s"));
}

TEST(NasdaqPluginFile, CarriesItsVersionResource) {
    const mqtest::VersionResource version(mqtest::deliverable_path(kPluginFile));
    const VS_FIXEDFILEINFO *fixed = version.fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(10, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(5, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(10, 1));

    const struct {
        const char *name;
        const char *value;
    } strings[] = {
        {"ProductVersion", "1.10"},
        {"FileDescription", "Morvane Quote Nasdaq"},
        {"ProductName", "Morvane Quote Nasdaq"},
        {"InternalName", "NASDAQ"},
        {"OriginalFilename", MQX_PLUGIN_FILE_NAME},
    };
    for (const auto &s : strings) {
        EXPECT_EQ(version.text(s.name), s.value) << s.name;
    }
}

}  // namespace

// The settings store against the real registry of the test prefix.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "app/settings/settings_store.h"
#include "support/settings_key.h"

namespace {

using mqtest::get_value;
using mqtest::make_record;
using mqtest::put_dword;
using mqtest::put_value;
using mqtest::record_bytes;
using mqtest::StoredValue;
using mqtest::subkey_exists;
using mqtest::symbol_subkey;
using mqtest::text_value;

std::string dword_bytes(DWORD value) {
    return std::string(reinterpret_cast<const char *>(&value), 4);
}

void put_record(int number, const QuoteRecord &record) {
    put_value(symbol_subkey(number), "MQS", REG_BINARY, record_bytes(record));
}

void put_old_layout(int number, const char *symbol, const char *description) {
    put_value(symbol_subkey(number), "Sym", REG_SZ, text_value(symbol));
    put_value(symbol_subkey(number), "Desc", REG_SZ, text_value(description));
}

class SettingsLoad : public mqtest::SettingsKeyTest {};
class SettingsSave : public mqtest::SettingsKeyTest {};

TEST_F(SettingsLoad, WithoutTheKeyKeepsProxyAndPortAndEmptiesTheList) {
    append(make_record("OLD", "Old"));
    strcpy(state.proxy, "kept.example");
    state.proxy_port = 3128;
    state.update_minutes = 99;
    settings_load(&state);
    EXPECT_EQ(state.update_minutes, 15u);
    EXPECT_STREQ(state.proxy, "kept.example");
    EXPECT_EQ(state.proxy_port, 3128u);
    ASSERT_NE(state.symbols, nullptr);
    EXPECT_EQ(record_count(), 0);
    EXPECT_FALSE(subkey_exists("")) << "a load never creates the key";
}

TEST_F(SettingsLoad, FirstRunStartsWithNoProxyPortZeroAndTheStartIcon) {
    AppState fresh;
    memset(&fresh, 0x5A, sizeof(fresh));
    app_state_init(&fresh);
    settings_load(&fresh);
    EXPECT_EQ(fresh.update_minutes, 15u);
    EXPECT_STREQ(fresh.proxy, "");
    EXPECT_EQ(fresh.proxy_port, 0u);
    EXPECT_EQ(fresh.trend_icon, 115u);
    EXPECT_STREQ(fresh.balloon_text, "Morvane Quote");
    EXPECT_EQ(fresh.quote_function, nullptr);
    ASSERT_NE(fresh.symbols, nullptr);
    EXPECT_EQ(symbol_list_last_position(fresh.symbols), -1);
    settings_free(&fresh);
    EXPECT_EQ(fresh.symbols, nullptr);
}

TEST_F(SettingsLoad, EmptyKeyGivesTheDefaults) {
    mqtest::create_subkey("");
    strcpy(state.proxy, "old.example");
    state.proxy_port = 3128;
    settings_load(&state);
    EXPECT_EQ(state.update_minutes, 15u);
    EXPECT_EQ(state.proxy_port, 80u);
    EXPECT_STREQ(state.proxy, "");
    EXPECT_EQ(record_count(), 0);
}

struct ValueCase {
    const char *case_name;
    const char *value_name;
    DWORD type;
    std::string bytes;
    DWORD update_minutes;
    DWORD proxy_port;
    std::string proxy;
};

TEST_F(SettingsLoad, ValuesAreReadWhateverTheirTypeWhenTheyFit) {
    const std::string long_host(259, 'p');
    const ValueCase cases[] = {
        {"update dword", "Update", REG_DWORD, dword_bytes(30), 30, 80, ""},
        {"update zero is kept", "Update", REG_DWORD, dword_bytes(0), 0, 80, ""},
        {"update as binary", "Update", REG_BINARY, dword_bytes(45), 45, 80, ""},
        {"update of 8 bytes", "Update", REG_QWORD, dword_bytes(30) + dword_bytes(0), 15, 80, ""},
        {"update of 2 bytes", "Update", REG_BINARY, std::string("\x02\x01", 2), 0x0102, 80, ""},
        {"update of no bytes keeps 15", "Update", REG_BINARY, std::string(), 15, 80, ""},
        {"port dword", "Port", REG_DWORD, dword_bytes(8080), 15, 8080, ""},
        {"port of 5 bytes", "Port", REG_BINARY, std::string("\x01\x02\x03\x04\x05", 5), 15, 80, ""},
        {"port as text", "Port", REG_SZ, text_value("ab"), 15, 0x6261, ""},
        {"proxy text", "Proxy", REG_SZ, text_value("proxy.example"), 15, 80, "proxy.example"},
        {"proxy one zero byte", "Proxy", REG_SZ, std::string(1, '\0'), 15, 80, ""},
        {"proxy as binary", "Proxy", REG_BINARY, std::string("bin.host", 8), 15, 80, "bin.host"},
        {"proxy of 261 bytes", "Proxy", REG_SZ, std::string(260, 'q') + '\0', 15, 80, ""},
        {"proxy of 260 bytes with zero", "Proxy", REG_SZ, long_host + '\0', 15, 80, long_host},
        // (Wine refuses a REG_SZ that fills the buffer without a zero; as
        // binary the same bytes do come back unterminated.)
        {"proxy binary of 260, no zero", "Proxy", REG_BINARY, std::string(260, 'p'), 15, 80,
         long_host},
    };
    for (const ValueCase &c : cases) {
        SCOPED_TRACE(c.case_name);
        mqtest::delete_store();
        put_value("", c.value_name, c.type, c.bytes);
        memset(state.proxy, 'x', sizeof(state.proxy));  // no zero: a load must end it
        state.proxy_port = 0xFFFFFFFF;                  // high bytes must not survive
        settings_load(&state);
        EXPECT_EQ(state.update_minutes, c.update_minutes);
        EXPECT_EQ(state.proxy_port, c.proxy_port);
        ASSERT_NE(memchr(state.proxy, '\0', sizeof(state.proxy)), nullptr);
        EXPECT_EQ(std::string(state.proxy), c.proxy);
    }
}

TEST_F(SettingsLoad, FirstMissingNumberEndsTheList) {
    put_record(0, make_record("AAA", "Alpha"));
    put_record(1, make_record("BBB", "Beta"));
    put_record(3, make_record("DDD", "Delta"));
    settings_load(&state);
    ASSERT_EQ(record_count(), 2);
    EXPECT_STREQ(record_at(0)->symbol, "AAA");
    EXPECT_STREQ(record_at(1)->symbol, "BBB");
}

TEST_F(SettingsLoad, EntriesThatCannotBeReadAreSkippedAndTheNextIsRead) {
    put_record(0, make_record("NODESC", ""));     // empty description
    put_record(1, make_record("", "No symbol"));  // empty symbol
    put_value(symbol_subkey(2), "MQS", REG_BINARY,
              record_bytes(make_record("BIG", "Big")) + "x");           // 693 bytes
    put_value(symbol_subkey(3), "Sym", REG_SZ, text_value("ONLYSYM"));  // no "Desc"
    put_value(symbol_subkey(4), "Sym", REG_SZ, std::string(17, 'S'));   // "Sym" too long
    put_value(symbol_subkey(4), "Desc", REG_SZ, text_value("Long symbol"));
    mqtest::create_subkey(symbol_subkey(5));  // no values
    put_record(6, make_record("LAST", "Last one"));
    settings_load(&state);
    ASSERT_EQ(record_count(), 1);
    EXPECT_STREQ(record_at(0)->symbol, "LAST");
}

TEST_F(SettingsLoad, OlderLayoutGivesItsTextsAndZeroElsewhere) {
    struct Case {
        const char *name;
        std::string mqs;  // empty: no "MQS" value
    } cases[] = {
        {"no MQS", ""},
        {"MQS of 693 bytes", std::string(QUOTE_RECORD_SIZE + 1, '\x7f')},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        mqtest::delete_store();
        put_old_layout(0, "OLD", "Older layout");
        if (!c.mqs.empty()) put_value(symbol_subkey(0), "MQS", REG_BINARY, c.mqs);
        settings_load(&state);
        ASSERT_EQ(record_count(), 1);
        QuoteRecord expected = make_record("OLD", "Older layout");
        EXPECT_EQ(record_bytes(*record_at(0)), record_bytes(expected));
    }
}

TEST_F(SettingsLoad, MqsWithEmptyDescriptionTakesTextsFromTheOlderLayout) {
    QuoteRecord stored = make_record("NEW", "");
    stored.last_sale = 12.5f;
    strcpy(stored.market, "NASDAQ");
    put_record(0, stored);
    put_old_layout(0, "OLD", "Older description");
    settings_load(&state);
    ASSERT_EQ(record_count(), 1);
    EXPECT_STREQ(record_at(0)->symbol, "OLD");
    EXPECT_STREQ(record_at(0)->description, "Older description");
    EXPECT_FLOAT_EQ(record_at(0)->last_sale, 12.5f);
    EXPECT_STREQ(record_at(0)->market, "NASDAQ");
}

TEST_F(SettingsLoad, ShorterMqsIsAcceptedWithTheRestZero) {
    QuoteRecord full = make_record("SHORT", "Short record");
    full.last_sale = 1.0f;
    put_value(symbol_subkey(0), "MQS", REG_BINARY, record_bytes(full).substr(0, 272));
    settings_load(&state);
    ASSERT_EQ(record_count(), 1);
    QuoteRecord expected = make_record("SHORT", "Short record");
    EXPECT_EQ(record_bytes(*record_at(0)), record_bytes(expected));
}

TEST_F(SettingsLoad, UnterminatedTextsEndWithinTheirFields) {
    put_value(symbol_subkey(0), "MQS", REG_BINARY, std::string(QUOTE_RECORD_SIZE, 'A'));
    settings_load(&state);
    ASSERT_EQ(record_count(), 1);
    QuoteRecord *record = record_at(0);
    EXPECT_EQ(strlen(record->symbol), sizeof(record->symbol) - 1);
    EXPECT_EQ(strlen(record->description), sizeof(record->description) - 1);
    EXPECT_EQ(strlen(record->market), sizeof(record->market) - 1);
    EXPECT_EQ(strlen(record->detail_url), sizeof(record->detail_url) - 1);
    EXPECT_EQ(record->volume, 0x41414141u) << "non-text bytes are kept";
}

TEST_F(SettingsSave, WritesEveryValueByteForByte) {
    state.update_minutes = 20;
    state.proxy_port = 3128;
    strcpy(state.proxy, "proxy.example");
    QuoteRecord first = make_record("AAA", "Alpha");
    memset(first.market, 'm', sizeof(first.market) - 1);  // bytes after terminators are stored too
    first.market[3] = '\0';
    first.last_sale = 3.25f;
    first.volume = 123456;
    QuoteRecord second = make_record("BBB", "Beta");
    append(first);
    append(second);
    settings_save(&state);

    struct Expected {
        std::string subkey;
        const char *name;
        StoredValue value;
    } expected[] = {
        {"", "Update", {REG_DWORD, dword_bytes(20)}},
        {"", "Port", {REG_DWORD, dword_bytes(3128)}},
        {"", "Proxy", {REG_SZ, text_value("proxy.example")}},
        {symbol_subkey(0), "MQS", {REG_BINARY, record_bytes(first)}},
        {symbol_subkey(1), "MQS", {REG_BINARY, record_bytes(second)}},
    };
    for (const Expected &e : expected) {
        bool found = false;
        StoredValue value = get_value(e.subkey, e.name, &found);
        ASSERT_TRUE(found) << e.subkey << "\\" << e.name;
        EXPECT_EQ(value.type, e.value.type) << e.subkey << "\\" << e.name;
        EXPECT_EQ(value.bytes, e.value.bytes) << e.subkey << "\\" << e.name;
    }
    EXPECT_FALSE(subkey_exists(symbol_subkey(2)));
}

TEST_F(SettingsSave, EmptyProxyIsOneZeroByte) {
    mqtest::create_subkey("");
    settings_save(&state);
    bool found = false;
    StoredValue proxy = get_value("", "Proxy", &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(proxy.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(proxy.bytes, std::string(1, '\0'));
}

TEST_F(SettingsSave, UnterminatedProxyIsStoredWithinItsField) {
    memset(state.proxy, 'p', sizeof(state.proxy));
    settings_save(&state);
    bool found = false;
    StoredValue proxy = get_value("", "Proxy", &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(proxy.bytes, std::string(APP_PROXY_SIZE - 1, 'p') + '\0');
}

TEST_F(SettingsSave, DeletedEntriesAreLeftOutAndTheRestRenumbered) {
    append(make_record("AAA", "Alpha"));
    append(make_record(QUOTE_DELETED_SYMBOL, "Deleted"));
    append(make_record("CCC", "Gamma"));
    settings_save(&state);
    EXPECT_TRUE(subkey_exists(symbol_subkey(0)));
    EXPECT_TRUE(subkey_exists(symbol_subkey(1)));
    EXPECT_FALSE(subkey_exists(symbol_subkey(2)));
    settings_load(&state);
    ASSERT_EQ(record_count(), 2);
    EXPECT_STREQ(record_at(0)->symbol, "AAA");
    EXPECT_STREQ(record_at(1)->symbol, "CCC");
}

TEST_F(SettingsSave, EmptyListDeletesUpToTheFirstMissingNumber) {
    put_record(0, make_record("AAA", "Alpha"));
    put_record(1, make_record("BBB", "Beta"));
    put_record(3, make_record("DDD", "Delta"));
    settings_save(&state);
    EXPECT_FALSE(subkey_exists(symbol_subkey(0)));
    EXPECT_FALSE(subkey_exists(symbol_subkey(1)));
    EXPECT_TRUE(subkey_exists(symbol_subkey(3)));
}

}  // namespace

// The settings dialog in the real program: Morvane Quote.exe runs as its own
// process with a seeded store whose proxy is the local quote server; the test
// opens "&Settings" from the tray menu, adds a symbol through the symbol
// dialog, confirms, and finds the new symbol refreshed in the store.
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/resources/resource.h"
#include "app/tray_messages.h"
#include "app_test_support.h"
#include "program_process.h"
#include "support/dialog_driver.h"
#include "support/settings_key.h"
#include "support/win32_test_support.h"

namespace {

constexpr DWORD kWaitMs = 60000;
constexpr UINT kTrayCallback = WM_APP + 1;

bool wait_until_gone(HWND window) {
    return mqtest::wait_until([window] { return !IsWindow(window) || !IsWindowVisible(window); },
                              kWaitMs);
}

void set_text(HWND dialog, int control_id, const char *text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, control_id), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &ignored);
}

const QuoteRecord *find_symbol(const std::vector<QuoteRecord> &records, const char *symbol) {
    for (const QuoteRecord &record : records) {
        if (strcmp(record.symbol, symbol) == 0) {
            return &record;
        }
    }
    return nullptr;
}

class SettingsInTheProgram : public mqtest::SettingsKeyTest {};

TEST_F(SettingsInTheProgram, SymbolAddedFromTheTrayMenuIsQuotedAndStoredAfterOk) {
    DWORD port = mqtest::number_in_file(MQ_QUOTE_SERVER_PORT_FILE);
    ASSERT_NE(port, 0u) << "quote server port file " << MQ_QUOTE_SERVER_PORT_FILE;
    mqtest::seed_settings({mqtest::make_record("MSFT")}, "127.0.0.1", port);
    apptest::ProgramProcess program(mqtest::deliverable_path(APP_PROGRAM_FILE_NAME),
                                    mqtest::deliverable_dir());
    ASSERT_TRUE(program.started());
    HWND tray = program.wait_for_window(TRAY_WINDOW_CLASS, kWaitMs);
    ASSERT_NE(tray, nullptr);
    ASSERT_TRUE(mqtest::wait_until(
        [] {
            std::vector<QuoteRecord> stored = mqtest::stored_records();
            return !stored.empty() && stored[0].last_sale > 0.0f;
        },
        kWaitMs))
        << "the first refresh was not saved";

    PostMessageA(tray, kTrayCallback, 0, WM_RBUTTONDOWN);
    HWND menu = program.wait_for_window("#32768", kWaitMs);
    ASSERT_NE(menu, nullptr) << "no tray menu";
    PostMessageA(menu, WM_CHAR, 's', 0);
    HWND settings = program.wait_for_window("#32770", kWaitMs, "Morvane Quote Settings");
    ASSERT_NE(settings, nullptr) << "no settings dialog";

    mqtest::post_click(settings, IDC_SETTINGS_ADD);
    HWND symbol = program.wait_for_window("#32770", kWaitMs, "Symbol");
    ASSERT_NE(symbol, nullptr) << "no symbol dialog";
    set_text(symbol, IDC_SYMBOL_SYMBOL, "intc");
    set_text(symbol, IDC_SYMBOL_DESCRIPTION, "Intel");
    mqtest::post_click(symbol, IDOK);
    ASSERT_TRUE(wait_until_gone(symbol));
    EXPECT_EQ(SendDlgItemMessageA(settings, IDC_SETTINGS_SYMBOLS, LB_GETCOUNT, 0, 0), 2);
    mqtest::post_click(settings, IDOK);
    ASSERT_TRUE(wait_until_gone(settings));

    const QuoteRecord *added = nullptr;
    std::vector<QuoteRecord> stored;
    EXPECT_TRUE(mqtest::wait_until(
        [&] {
            stored = mqtest::stored_records();
            added = find_symbol(stored, "INTC");
            return added && added->last_sale > 0.0f && apptest::is_today(added->updated);
        },
        kWaitMs))
        << "the added symbol was not refreshed";
    ASSERT_NE(added, nullptr);
    EXPECT_STREQ(added->description, "Intel");
    EXPECT_NE(find_symbol(stored, "MSFT"), nullptr);

    PostMessageA(tray, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.wait_for_exit(), 0u);
}

}  // namespace

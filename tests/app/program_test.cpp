// Morvane Quote.exe end to end: the real program with its real libraries,
// started as its own process in the test prefix, its settings seeded and
// read back through the registry, its quotes served by the local quote
// server (reached as the program's HTTP proxy).
#include <windows.h>
#include <shlwapi.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings/settings_store.h"
#include "app_test_support.h"
#include "pagefetch/page_fetch.h"
#include "program_process.h"
#include "support/settings_key.h"
#include "support/win32_test_support.h"

namespace {

const char kProgram[] = APP_PROGRAM_FILE_NAME;
const char kPlugin[] = MQX_PLUGIN_FILE_NAME;
const char kUtilities[] = MQUTILITES_FILE_NAME;
const DWORD kStartTimeoutMs = 60000;

// A folder of its own under the temp folder, removed with what was put in.
class TempFolder {
public:
    explicit TempFolder(const char *name) {
        path_ = mqtest::temp_path(std::string(name) + "-" + std::to_string(GetCurrentProcessId()));
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::string &file : files_) {
            DeleteFileA(file.c_str());
        }
        RemoveDirectoryA(path_.c_str());
    }
    void copy_deliverable(const char *file) {
        std::string target = path_ + "\\" + file;
        CopyFileA(mqtest::deliverable_path(file).c_str(), target.c_str(), FALSE);
        files_.push_back(target);
    }
    const std::string &path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> files_;
};

using apptest::ProgramProcess;
using apptest::window_text;

// The program shows the fatal message, and ends with 0 once it is answered.
void expect_fatal_message_then_clean_exit(const ProgramProcess &program) {
    HWND box = program.wait_for_window("#32770", kStartTimeoutMs);
    ASSERT_NE(box, nullptr) << "no message box";
    // The box's window exists a moment before its text control is filled.
    std::string text;
    mqtest::wait_until([&] { return !(text = window_text(GetDlgItem(box, 0xFFFF))).empty(); },
                       kStartTimeoutMs);
    EXPECT_EQ(text, "Fatal error - please reinstall.");
    EXPECT_EQ(window_text(box), "Morvane Quote");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.wait_for_exit(), 0u);
}

// The program runs without any message box, and WM_CLOSE to its tray window
// ends it with 0.
void expect_silent_run_then_clean_exit_on_close(const ProgramProcess &program) {
    HWND window = program.wait_for_window("MORQUOTE", kStartTimeoutMs);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(program.window("#32770"), nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.wait_for_exit(), 0u);
}

bool port_is_stored() {
    uint32_t port = 0;
    return mqtest::stored_dword("Port", &port);
}

class MorvaneQuoteProgram : public mqtest::SettingsKeyTest {};

TEST_F(MorvaneQuoteProgram, StoresTheServedQuotesWithTodaysDateAndEndsOnClose) {
    DWORD port = mqtest::number_in_file(MQ_QUOTE_SERVER_PORT_FILE);
    ASSERT_NE(port, 0u) << "quote server port file " << MQ_QUOTE_SERVER_PORT_FILE;
    const char *symbols[] = {"MSFT", "INTC", "CSCO"};
    std::vector<QuoteRecord> seeded;
    for (const char *symbol : symbols) {
        seeded.push_back(mqtest::make_record(symbol));
    }
    mqtest::seed_settings(seeded, "127.0.0.1", port);

    DWORD started_at = GetTickCount();
    ProgramProcess program(mqtest::deliverable_path(kProgram), mqtest::deliverable_dir());
    ASSERT_TRUE(program.started());
    auto all_quoted = [] {
        std::vector<QuoteRecord> stored = mqtest::stored_records();
        if (stored.size() != 3) {
            return false;
        }
        for (const QuoteRecord &entry : stored) {
            if (!(entry.last_sale > 0.0f) || !apptest::is_today(entry.updated)) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(mqtest::wait_until(all_quoted, kStartTimeoutMs)) << "no refresh was saved";
    printf("first refresh saved %lu ms after the start\n", GetTickCount() - started_at);

    ASSERT_NO_FATAL_FAILURE(expect_silent_run_then_clean_exit_on_close(program));

    std::vector<QuoteRecord> stored = mqtest::stored_records();
    ASSERT_EQ(stored.size(), 3u);
    for (size_t i = 0; i < stored.size(); ++i) {
        EXPECT_STREQ(stored[i].symbol, symbols[i]);
        EXPECT_STREQ(stored[i].description, seeded[i].description);
        EXPECT_NE(stored[i].market[0], '\0') << symbols[i];
        EXPECT_GE(stored[i].todays_high, stored[i].todays_low) << symbols[i];
    }
}

TEST_F(MorvaneQuoteProgram, WithoutThePageFetchShowsTheFatalMessageAndEndsWithZero) {
    TempFolder folder("mq-no-utilities");
    folder.copy_deliverable(kProgram);
    folder.copy_deliverable(kPlugin);
    ProgramProcess program(folder.path() + "\\" + kProgram, folder.path());
    ASSERT_TRUE(program.started());
    expect_fatal_message_then_clean_exit(program);
}

TEST_F(MorvaneQuoteProgram, LibrariesPlantedInTheCurrentDirectoryOrOnThePathAreNotLoaded) {
    TempFolder install("mq-install");
    install.copy_deliverable(kProgram);
    TempFolder planted("mq-planted");
    planted.copy_deliverable(kPlugin);
    planted.copy_deliverable(kUtilities);

    char old_path[4096] = "";
    GetEnvironmentVariableA("PATH", old_path, sizeof(old_path));
    SetEnvironmentVariableA("PATH", (planted.path() + ";" + old_path).c_str());
    ProgramProcess program(install.path() + "\\" + kProgram, planted.path());
    SetEnvironmentVariableA("PATH", old_path);
    ASSERT_TRUE(program.started());
    expect_fatal_message_then_clean_exit(program);
}

TEST_F(MorvaneQuoteProgram, WithoutThePluginStartsSilentlyAndStillSaves) {
    mqtest::seed_settings({mqtest::make_record("IBM")}, "", 0);
    // A store without "Port" gets one at the first save.
    SHDeleteValueA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, "Port");
    TempFolder folder("mq-no-plugin");
    folder.copy_deliverable(kProgram);
    folder.copy_deliverable(kUtilities);
    ProgramProcess program(folder.path() + "\\" + kProgram, folder.path());
    ASSERT_TRUE(program.started());

    ASSERT_TRUE(mqtest::wait_until(port_is_stored, kStartTimeoutMs));
    ASSERT_NO_FATAL_FAILURE(expect_silent_run_then_clean_exit_on_close(program));

    std::vector<QuoteRecord> stored = mqtest::stored_records();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_STREQ(stored[0].symbol, "IBM");
    EXPECT_EQ(stored[0].last_sale, 0.0f);
    EXPECT_EQ(stored[0].updated.year, 0);
}

}  // namespace

// The settings dialog in the real program: Morvane Quote.exe runs as its own
// process with a seeded store whose proxy is the local quote server; the test
// opens "&Settings" from the tray menu, adds a symbol through the symbol
// dialog, confirms, and finds the new symbol refreshed in the store.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/resources/resource.h"
#include "app/tray_window.h"
#include "app_test_support.h"
#include "support/win32_test_support.h"

namespace {

constexpr DWORD kWaitMs = 60000;
constexpr UINT kTrayCallback = WM_APP + 1;

DWORD quote_server_port() {
    FILE *file = fopen(MQ_QUOTE_SERVER_PORT_FILE, "r");
    unsigned long port = 0;
    if (file) {
        if (fscanf(file, "%lu", &port) != 1) {
            port = 0;
        }
        fclose(file);
    }
    return port;
}

// The program as a child process, ended by force if the test leaves it running.
class ProgramProcess {
public:
    ProgramProcess() {
        std::string exe = mqtest::deliverable_path("Morvane Quote.exe");
        std::string command = "\"" + exe + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        started_ = CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  mqtest::deliverable_dir().c_str(), &startup, &info_) != 0;
    }
    ~ProgramProcess() {
        if (!started_) {
            return;
        }
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 1);
            WaitForSingleObject(info_.hProcess, 10000);
        }
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    bool started() const { return started_; }

    // A top-level window of the program with the class and, when given, the
    // caption; waits for it up to kWaitMs. Only the hidden tray window counts
    // while invisible.
    HWND wait_for(const char *class_name, const char *caption = nullptr) const {
        Search search = {info_.dwProcessId, class_name, caption, nullptr};
        apptest::wait_until(
            [&] {
                EnumWindows(match, reinterpret_cast<LPARAM>(&search));
                return search.found != nullptr;
            },
            kWaitMs);
        return search.found;
    }

    bool wait_until_gone(HWND window) const {
        return apptest::wait_until([window] { return !IsWindow(window) || !IsWindowVisible(window); }, kWaitMs);
    }

    DWORD exit_code() const {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(info_.hProcess, 20000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(info_.hProcess, &code);
        }
        return code;
    }

private:
    struct Search {
        DWORD process_id;
        const char *class_name;
        const char *caption;
        HWND found;
    };
    static BOOL CALLBACK match(HWND window, LPARAM data) {
        Search *search = reinterpret_cast<Search *>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char class_name[64] = "";
        char caption[128] = "";
        GetClassNameA(window, class_name, sizeof(class_name));
        GetWindowTextA(window, caption, sizeof(caption));
        bool shown = IsWindowVisible(window) || strcmp(class_name, TRAY_WINDOW_CLASS) == 0;
        if (owner == search->process_id && shown && strcmp(class_name, search->class_name) == 0 &&
            (!search->caption || strcmp(caption, search->caption) == 0)) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }

    PROCESS_INFORMATION info_ = {};
    bool started_ = false;
};

void set_text(HWND dialog, int control_id, const char *text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, control_id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
}

void click(HWND dialog, int control_id) { PostMessageA(GetDlgItem(dialog, control_id), BM_CLICK, 0, 0); }

const QuoteRecord *find_symbol(const std::vector<QuoteRecord> &records, const char *symbol) {
    for (const QuoteRecord &record : records) {
        if (strcmp(record.symbol, symbol) == 0) {
            return &record;
        }
    }
    return nullptr;
}

class SettingsInTheProgram : public testing::Test {
protected:
    void SetUp() override { apptest::clear_settings(); }
    void TearDown() override { apptest::clear_settings(); }
};

TEST_F(SettingsInTheProgram, SymbolAddedFromTheTrayMenuIsQuotedAndStoredAfterOk) {
    DWORD port = quote_server_port();
    ASSERT_NE(port, 0u) << "quote server port file " << MQ_QUOTE_SERVER_PORT_FILE;
    apptest::seed_settings({apptest::record("MSFT")}, "127.0.0.1", port);
    ProgramProcess program;
    ASSERT_TRUE(program.started());
    HWND tray = program.wait_for(TRAY_WINDOW_CLASS);
    ASSERT_NE(tray, nullptr);
    ASSERT_TRUE(apptest::wait_until(
        [] {
            std::vector<QuoteRecord> stored = apptest::stored_records();
            return !stored.empty() && stored[0].last_sale > 0.0f;
        },
        kWaitMs))
        << "the first refresh was not saved";

    PostMessageA(tray, kTrayCallback, 0, WM_RBUTTONDOWN);
    HWND menu = program.wait_for("#32768");
    ASSERT_NE(menu, nullptr) << "no tray menu";
    PostMessageA(menu, WM_CHAR, 's', 0);
    HWND settings = program.wait_for("#32770", "Morvane Quote Settings");
    ASSERT_NE(settings, nullptr) << "no settings dialog";

    click(settings, IDC_SETTINGS_ADD);
    HWND symbol = program.wait_for("#32770", "Symbol");
    ASSERT_NE(symbol, nullptr) << "no symbol dialog";
    set_text(symbol, IDC_SYMBOL_SYMBOL, "intc");
    set_text(symbol, IDC_SYMBOL_DESCRIPTION, "Intel");
    click(symbol, IDOK);
    ASSERT_TRUE(program.wait_until_gone(symbol));
    EXPECT_EQ(SendDlgItemMessageA(settings, IDC_SETTINGS_SYMBOLS, LB_GETCOUNT, 0, 0), 2);
    click(settings, IDOK);
    ASSERT_TRUE(program.wait_until_gone(settings));

    const QuoteRecord *added = nullptr;
    std::vector<QuoteRecord> stored;
    EXPECT_TRUE(apptest::wait_until(
        [&] {
            stored = apptest::stored_records();
            added = find_symbol(stored, "INTC");
            return added && added->last_sale > 0.0f && apptest::is_today(added->updated);
        },
        kWaitMs))
        << "the added symbol was not refreshed";
    ASSERT_NE(added, nullptr);
    EXPECT_STREQ(added->description, "Intel");
    EXPECT_NE(find_symbol(stored, "MSFT"), nullptr);

    PostMessageA(tray, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.exit_code(), 0u);
}

}  // namespace

// The release as a user gets it, in the test prefix: the installer run
// silently with its options, the installed program quoting through the
// installed gateway (its sources played by tests/gateway/fake_source.py),
// the silent uninstall while both run; and the program run from an unpacked
// copy of the zip.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings/settings_store.h"
#include "gateway/gateway_options.h"
#include "mq_version.h"
#include "pagefetch/page_fetch.h"
#include "program_process.h"
#include "support/gateway_process.h"
#include "support/loopback.h"
#include "support/settings_key.h"
#include "support/win32_test_support.h"

namespace {

const char kProgram[] = APP_PROGRAM_FILE_NAME;
const char kGateway[] = GATEWAY_FILE_NAME;
const char kUninstaller[] = "Uninstall.exe";
const char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvane Quote";
const DWORD kGatewayPort = 8421;
const DWORD kWaitMs = 30000;
// What the fake Nasdaq source answers for MSFT (tests/gateway/source_answers.json).
const float kFakeLastSale = 315.44f;

std::string shell_folder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string install_dir() { return shell_folder(CSIDL_PROGRAM_FILES) + "\\Morvane Quote"; }
std::string installed(const char *file) { return install_dir() + "\\" + file; }
std::string menu_folder() { return shell_folder(CSIDL_COMMON_PROGRAMS) + "\\Morvane Quote"; }
std::string menu_link(const char *name) { return menu_folder() + "\\" + name + ".lnk"; }
std::string startup_link(const char *name) {
    return shell_folder(CSIDL_COMMON_STARTUP) + "\\" + name + ".lnk";
}

std::string status_shortcut() { return menu_folder() + "\\Morvane Quote Gateway status.url"; }

bool exists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file a shortcut starts, then its arguments if it has any; "" when
// there is no shortcut.
std::string link_target(const std::string &link) {
    std::string target;
    CoInitialize(nullptr);
    IShellLinkA *shell_link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void **>(&shell_link)))) {
        IPersistFile *file = nullptr;
        wchar_t wide[MAX_PATH] = L"";
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        char path[MAX_PATH] = "";
        if (SUCCEEDED(
                shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
            char arguments[MAX_PATH] = "";
            if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
                SUCCEEDED(shell_link->GetPath(path, MAX_PATH, nullptr, 0)) &&
                SUCCEEDED(shell_link->GetArguments(arguments, MAX_PATH))) {
                target = path + std::string(arguments[0] != '\0' ? " " : "") + arguments;
            }
            file->Release();
        }
        shell_link->Release();
    }
    CoUninitialize();
    return target;
}

// The address an internet shortcut opens; "" when there is none.
std::string shortcut_url(const std::string &shortcut) {
    char url[512] = "";
    GetPrivateProfileStringA("InternetShortcut", "URL", "", url, sizeof(url), shortcut.c_str());
    return url;
}

// A registry value as "sz:TEXT", "dword:N", "absent" or "type N", so that
// a check states the type and the data and prints both when it fails.
std::string reg_value(HKEY root, const char *key_path, const char *name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, key_path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "absent";
    char data[1024] = "";
    DWORD size = sizeof(data) - 1;
    DWORD type = REG_NONE;
    LONG status =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return "absent";
    if (type == REG_SZ) return std::string("sz:") + data;
    if (type == REG_DWORD && size == sizeof(DWORD))
        return "dword:" + std::to_string(*reinterpret_cast<DWORD *>(data));
    return "type " + std::to_string(type);
}

std::string uninstall_value(const char *name) {
    return reg_value(HKEY_LOCAL_MACHINE, kUninstallKey, name);
}
std::string settings_value(const char *name) {
    return reg_value(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, name);
}

// The sizes of the files in `dir`, in KiB.
DWORD folder_kib(const std::string &dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    ULONGLONG bytes = 0;
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        bytes += (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return static_cast<DWORD>(bytes / 1024);
}

// Runs `exe` with `arguments` to its end, in the temporary folder, so that
// no folder it removes is its current one; its exit code.
DWORD run_to_end(const std::string &exe, const std::string &arguments) {
    apptest::ProgramProcess process(exe, mqtest::temp_path(), arguments);
    return process.started() ? process.wait_for_exit() : STILL_ACTIVE;
}

DWORD run_setup(const std::string &options) { return run_to_end(MQ_SETUP_FILE, options); }

// The uninstaller hands its work to a copy of itself and returns at once,
// as it does when started from Add/Remove Programs; the copy removes the
// uninstall entry last.
bool run_uninstaller() {
    return run_to_end(installed(kUninstaller), "/S") == 0 &&
           mqtest::wait_until([] { return uninstall_value("DisplayName") == "absent"; }, kWaitMs);
}

class Release : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(mqtest::number_in_file(MQ_FAKE_SOURCE_PORT_FILE), 0u) << MQ_FAKE_SOURCE_PORT_FILE;
        gateway_log_ = mqtest::temp_path("dist-test-gateway.log");
        // An earlier run that failed half-way may have left an install, or
        // part of one; installing over it gives it an uninstaller again.
        if (exists(install_dir())) {
            run_setup("/S /LIVE=0");
            run_uninstaller();
        }
        ASSERT_FALSE(exists(install_dir())) << "cannot remove what an earlier run left";
        mqtest::delete_store();
    }

    void TearDown() override {
        if (exists(installed(kUninstaller))) run_uninstaller();
        program_.reset();
        gateway_.reset();
        mqtest::delete_store();
        DeleteFileA(gateway_log_.c_str());
    }

    // Starts the gateway of `dir` against the fake sources on its default
    // port, then the program of `dir` with MSFT and the gateway as its proxy,
    // and waits until the program has stored the fake source's quote.
    void quote_through(const std::string &dir) {
        DeleteFileA(gateway_log_.c_str());
        gateway_.reset(new mqtest::GatewayProcess(mqtest::number_in_file(MQ_FAKE_SOURCE_PORT_FILE),
                                                  "", kGatewayPort, gateway_log_, dir));
        ASSERT_TRUE(gateway_->ready())
            << "the gateway of " << dir << " did not start: " << mqtest::file_text(gateway_log_);

        mqtest::seed_settings({mqtest::make_record("MSFT")}, "127.0.0.1", kGatewayPort);
        program_.reset(new apptest::ProgramProcess(dir + "\\" + kProgram, dir));
        ASSERT_TRUE(program_->started());
        ASSERT_TRUE(mqtest::wait_until(
            [] {
                std::vector<QuoteRecord> stored = mqtest::stored_records();
                return stored.size() == 1 && stored[0].last_sale == kFakeLastSale;
            },
            60000))
            << "no refresh stored; gateway log: " << mqtest::file_text(gateway_log_);
    }

    std::string gateway_log_;
    std::unique_ptr<mqtest::GatewayProcess> gateway_;
    std::unique_ptr<apptest::ProgramProcess> program_;
};

TEST_F(Release, InstallerInstallsQuotesThroughItsGatewayAndUninstallsSilently) {
#ifdef _WIN64
    GTEST_SKIP() << "the installer NSIS makes is a 32-bit program, which 64-bit Wine cannot start";
#endif
    // A word the installer does not know installs nothing.
    EXPECT_EQ(run_setup("/S /LIVE=2"), 2u);
    EXPECT_EQ(run_setup("/S /AUTOSTRAT=1"), 2u);
    EXPECT_FALSE(exists(install_dir()));

    // Without live quotes, starting the program at log-on; a fresh store.
    ASSERT_EQ(run_setup("/S /LIVE=0 /AUTOSTART=1"), 0u);
    for (const char *file : {kProgram, MQX_PLUGIN_FILE_NAME, MQUTILITES_FILE_NAME,
                             "Morvane Quote Help.chm", "README.txt", kUninstaller}) {
        EXPECT_TRUE(exists(installed(file))) << file;
    }
    EXPECT_FALSE(exists(installed(kGateway)));
    EXPECT_EQ(link_target(menu_link("Morvane Quote")), installed(kProgram));
    EXPECT_EQ(link_target(menu_link("Morvane Quote Help")), installed("Morvane Quote Help.chm"));
    EXPECT_EQ(link_target(startup_link("Morvane Quote")), installed(kProgram));
    EXPECT_FALSE(exists(startup_link("Morvane Quote Gateway")));
    EXPECT_FALSE(exists(status_shortcut()));
    EXPECT_EQ(settings_value("Proxy"), "absent");

    EXPECT_EQ(uninstall_value("DisplayName"), "sz:Morvane Quote");
    EXPECT_EQ(uninstall_value("DisplayVersion"), std::string("sz:") + MQ_VERSION_TEXT);
    EXPECT_EQ(uninstall_value("Publisher"), "sz:Morvane Software");
    EXPECT_EQ(uninstall_value("InstallLocation"), "sz:" + install_dir());
    EXPECT_EQ(uninstall_value("UninstallString"), "sz:\"" + installed(kUninstaller) + "\"");
    EXPECT_EQ(uninstall_value("QuietUninstallString"), "sz:\"" + installed(kUninstaller) + "\" /S");
    EXPECT_EQ(uninstall_value("DisplayIcon"), "sz:" + installed(kProgram) + ",0");
    EXPECT_EQ(uninstall_value("EstimatedSize"),
              "dword:" + std::to_string(folder_kib(install_dir())));

    // Both: one entry, the gateway, which starts the program once it listens;
    // with pre- and after-hours prices, its session option comes first.
    ASSERT_EQ(run_setup("/S /LIVE=1 /EXTENDED=1 /AUTOSTART=1"), 0u);
    EXPECT_EQ(
        link_target(startup_link("Morvane Quote Gateway")),
        installed(kGateway) + " --session extended --start-ticker \"" + installed(kProgram) + "\"");
    EXPECT_FALSE(exists(startup_link("Morvane Quote")));

    // Again with the defaults, over a store whose proxy the user chose.
    mqtest::seed_settings({}, "proxy.example.com", 3128);
    ASSERT_EQ(run_setup("/S"), 0u);
    EXPECT_EQ(link_target(startup_link("Morvane Quote Gateway")), installed(kGateway));
    EXPECT_EQ(shortcut_url(status_shortcut()),
              "http://127.0.0.1:" + std::to_string(kGatewayPort) + "/");
    EXPECT_FALSE(exists(startup_link("Morvane Quote")));
    EXPECT_EQ(settings_value("Proxy"), "sz:proxy.example.com");
    EXPECT_EQ(settings_value("Port"), "dword:3128");

    // And over a fresh store, which gets the gateway as its proxy.
    mqtest::delete_store();
    ASSERT_EQ(run_setup("/S"), 0u);
    EXPECT_EQ(settings_value("Proxy"), "sz:127.0.0.1");
    EXPECT_EQ(settings_value("Port"), "dword:" + std::to_string(kGatewayPort));

    // The installer left its gateway running (it starts it without waiting,
    // and a new prefix is slow to start a program); the one started next
    // serves the fake sources.
    EXPECT_TRUE(mqtest::wait_until([] { return mqtest::loopback_listens(kGatewayPort); }, kWaitMs));
    ASSERT_EQ(run_to_end(installed(kGateway), "--stop --log \"" + gateway_log_ + "\""), 0u)
        << "no gateway was running on port " << kGatewayPort << " after the install";
    ASSERT_NO_FATAL_FAILURE(quote_through(install_dir()));

    ASSERT_TRUE(run_uninstaller()) << "the uninstall entry is still there";
    EXPECT_EQ(program_->wait_for_exit(), 0u);
    EXPECT_EQ(gateway_->wait_for_exit(), 0u);
    EXPECT_FALSE(exists(install_dir()));
    EXPECT_FALSE(exists(menu_folder()));
    EXPECT_FALSE(exists(startup_link("Morvane Quote Gateway")));
    std::vector<QuoteRecord> kept = mqtest::stored_records();
    ASSERT_EQ(kept.size(), 1u) << "the settings were not kept";
    EXPECT_EQ(kept[0].last_sale, kFakeLastSale);
    EXPECT_EQ(settings_value("Proxy"), "sz:127.0.0.1");
}

TEST_F(Release, ProgramRunsFromAnUnpackedZip) {
    ASSERT_NO_FATAL_FAILURE(quote_through(MQ_UNPACKED_DIR));
    PostMessageA(program_->wait_for_window("MORQUOTE", kWaitMs), WM_CLOSE, 0, 0);
    EXPECT_EQ(program_->wait_for_exit(), 0u);
    EXPECT_TRUE(gateway_->stop());
}

}  // namespace

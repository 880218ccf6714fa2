// With no HTML Help control at all (its registration names a missing file and
// hhctrl.ocx is disabled for this program), help requests return 0 and only
// the first one tries to load a module.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/dialogs/html_help.h"
#include "app/dialogs/fake_html_help.h"
#include "app/dialogs/help_registry.h"
#include "support/import_hook.h"

namespace {

std::vector<std::string> load_attempts;
const mqtest::ScopedImport *counted_load_library = nullptr;

HMODULE WINAPI counting_load_library(LPCSTR name) {
    load_attempts.push_back(name != nullptr ? name : "");
    return counted_load_library->original<HMODULE(WINAPI *)(LPCSTR)>()(name);
}

TEST(HelpUnavailable, OnlyTheFirstRequestTriesToLoadAModule) {
    HMODULE system_control = LoadLibraryA("hhctrl.ocx");
    if (system_control != nullptr) FreeLibrary(system_control);
    ASSERT_EQ(system_control, nullptr) << "hhctrl.ocx must be disabled for this test program";

    std::string missing = mqtest::program_folder() + "no_such_help_control.ocx";
    mqtest::ScopedHelpControlPath registration(missing);
    ASSERT_TRUE(registration.ok());
    mqtest::ScopedImport counting("kernel32.dll", "LoadLibraryA",
                                  reinterpret_cast<void *>(counting_load_library));
    counted_load_library = &counting;
    ASSERT_TRUE(counting.ok());

    EXPECT_EQ(HtmlHelpA(nullptr, HELP_FILE_NAME, HH_DISPLAY_TOC_COMMAND, 0), nullptr);
    EXPECT_EQ(load_attempts, (std::vector<std::string>{missing, "hhctrl.ocx"}));

    // A working control registered now must not be picked up: the failure is
    // final.
    ASSERT_TRUE(registration.set(mqtest::program_folder() + FAKE_HTML_HELP_FILE));
    load_attempts.clear();
    DWORD ids[3] = {1004, 0x806A03EC, 0};
    EXPECT_EQ(HtmlHelpA(nullptr, HELP_FILE_NAME, HH_TP_HELP_WM_HELP_COMMAND,
                        reinterpret_cast<DWORD_PTR>(ids)),
              nullptr);
    EXPECT_EQ(HtmlHelpA(nullptr, HELP_SETTINGS_TOPIC, HH_DISPLAY_TOPIC_COMMAND, 0), nullptr);
    EXPECT_TRUE(load_attempts.empty());
    EXPECT_EQ(GetModuleHandleA(FAKE_HTML_HELP_FILE), nullptr);
}

}  // namespace

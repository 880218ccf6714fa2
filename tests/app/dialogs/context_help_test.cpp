// Context help of the dialogs, through the real HtmlHelpA binding: the HTML
// Help control's registration points at the tests' fake control, which
// records what it is asked.
#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/dialogs/about_dialog.h"
#include "app/dialogs/html_help.h"
#include "app/dialogs/quote_dialogs.h"
#include "app/resources/resource.h"
#include "app/dialogs/fake_html_help.h"
#include "app/dialogs/help_ids.h"
#include "app/dialogs/help_registry.h"
#include "support/dialog_driver.h"
#include "support/dialog_template.h"
#include "support/win32_test_support.h"

namespace {

const char kAboutCaption[] = "About Morvane Quote";

// The fake control's path padded to the longest that a 260-byte value holds
// (259 characters and the zero): the binding must take all of it.
std::string longest_fake_control_path() {
    std::string folder = mqtest::program_folder();
    std::string file = FAKE_HTML_HELP_FILE;
    if (folder.size() + file.size() > 254) return folder + file;
    size_t padding_length = 259 - folder.size() - file.size();
    std::string padding = padding_length % 2 != 0 ? "x\\..\\" : "";
    while (padding.size() < padding_length) padding += ".\\";
    return folder + padding + file;
}

// What the dialog's own procedure answers to a help request; a sent message
// would only give the dialog's message result.
INT_PTR ask_procedure(HWND dialog, HELPINFO *info) {
    DLGPROC procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
    return procedure(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(info));
}

class ContextHelp : public testing::Test {
protected:
    static void SetUpTestSuite() {
        registration_.reset(new mqtest::ScopedHelpControlPath(longest_fake_control_path()));
    }
    static void TearDownTestSuite() { registration_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(registration_->ok()) << "cannot register the fake help control";
        ASSERT_EQ(longest_fake_control_path().size(), 259u) << "the test folder's path is too long";
    }

    // The fake's record; null until the binding has loaded the fake.
    static const FakeHelpCall *fake_calls() {
        HMODULE fake = GetModuleHandleA(FAKE_HTML_HELP_FILE);
        if (fake == nullptr) return nullptr;
        auto calls = mqtest::resolve<FakeHelpCallsFunction>(fake, FAKE_HTML_HELP_CALLS_EXPORT);
        return calls != nullptr ? calls() : nullptr;
    }

    static std::unique_ptr<mqtest::ScopedHelpControlPath> registration_;
};

std::unique_ptr<mqtest::ScopedHelpControlPath> ContextHelp::registration_;

// A help request for one control, as the dialog manager builds it from the
// template's help id (taken from the template: Wine's dialog manager drops it).
HELPINFO help_request(HWND dialog, int template_id, int control_id) {
    HELPINFO info = {};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = control_id;
    HWND control = control_id == -1 ? nullptr : GetDlgItem(dialog, control_id);
    info.hItemHandle = control;
    mqtest::DialogTemplate dialog_template;
    const mqtest::TemplateItem *item = nullptr;
    if (mqtest::load_dialog_template(template_id, &dialog_template))
        item = mqtest::find_item(dialog_template, control_id);
    info.dwContextId = item != nullptr ? item->help_id : 0;
    return info;
}

TEST_F(ContextHelp, EveryDialogAsksForThePopUpOfTheControl) {
    AppState state;
    app_state_init(&state);
    symbol_list_create(&state.symbols);
    QuoteRecord record = {};
    struct Case {
        int template_id;
        mqtest::DialogLauncher launch;
        const char *caption;
        int control_id;
    } cases[] = {
        {IDD_ABOUT, mqtest::launcher(about_dialog_run, nullptr), kAboutCaption, IDC_ABOUT_LINK},
        {IDD_ABOUT, mqtest::launcher(about_dialog_run, nullptr), kAboutCaption, IDOK},
        {IDD_QUOTE_LIST, mqtest::launcher(quote_list_run, &state), APP_PRODUCT_NAME,
         IDC_QUOTES_LIST},
        {IDD_QUOTE_DETAIL, mqtest::launcher(quote_detail_run, &record), APP_PRODUCT_NAME,
         IDC_DETAIL_WEB_SITE},
    };
    for (const Case &c : cases) {
        const DWORD context_id = mqtest::expected_help_id(c.template_id, c.control_id);
        ASSERT_NE(context_id, 0u) << "no help id for control " << c.control_id;
        mqtest::DialogScript script;
        script.then(mqtest::on_dialog(c.caption, c.control_id, [&c, context_id](HWND dialog) {
            HELPINFO info = help_request(dialog, c.template_id, c.control_id);
            EXPECT_EQ(ask_procedure(dialog, &info), TRUE);
            const FakeHelpCall *call = fake_calls();
            mqtest::post_click(dialog, IDOK);
            ASSERT_NE(call, nullptr) << "the fake help control was not loaded";
            EXPECT_EQ(call->caller, GetDlgItem(dialog, c.control_id));
            EXPECT_STREQ(call->file, "Morvane Quote Help.chm");
            EXPECT_EQ(call->command, 17u);
            EXPECT_EQ(call->ids[0], static_cast<DWORD>(c.control_id));
            EXPECT_EQ(call->ids[1], context_id) << std::hex << context_id;
            EXPECT_EQ(call->ids[2], 0u);
        }));
        script.run_dialog(c.launch);
    }
    symbol_list_free(state.symbols);
}

TEST_F(ContextHelp, LabelRequestCallsNothingAndIsHandled) {
    HtmlHelpA(nullptr, HELP_FILE_NAME, HH_DISPLAY_TOC_COMMAND, 0);  // binds the fake
    const FakeHelpCall *call = fake_calls();
    ASSERT_NE(call, nullptr);
    LONG before = call->count;
    mqtest::DialogScript script;
    script.then(mqtest::on_dialog(kAboutCaption, [call, before](HWND dialog) {
        HELPINFO info = help_request(dialog, IDD_ABOUT, -1);
        EXPECT_EQ(ask_procedure(dialog, &info), TRUE);
        EXPECT_EQ(call->count, before);
        mqtest::post_click(dialog, IDOK);
    }));
    script.run_dialog(about_dialog_run, nullptr);
}

TEST_F(ContextHelp, HtmlHelpPassesArgumentsAndResultThrough) {
    HWND result = HtmlHelpA(nullptr, HELP_SETTINGS_TOPIC, HH_DISPLAY_TOPIC_COMMAND, 0);
    EXPECT_EQ(result, FAKE_HTML_HELP_RESULT);
    const FakeHelpCall *call = fake_calls();
    ASSERT_NE(call, nullptr);
    EXPECT_STREQ(call->file, "Morvane Quote Help.chm::/settings.htm");
    EXPECT_EQ(call->command, 0u);
}

}  // namespace

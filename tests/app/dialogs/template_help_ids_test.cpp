// Help context ids are read from the templates themselves: Wine's dialog
// manager does not hand them to the controls (GetWindowContextHelpId stays 0
// there), so the templates' bytes are the only place to check them.
#include <windows.h>

#include <map>

#include <gtest/gtest.h>

#include "app/dialogs/help_ids.h"
#include "app/resources/resource.h"
#include "support/dialog_template.h"

namespace {

constexpr DWORD kLabelId = 0xFFFFFFFF;

// Control id -> help context id of every control of an extended template.
// Labels (id -1) are collected under kLabelId with the largest help id seen.
std::map<DWORD, DWORD> template_help_ids(int template_id) {
    std::map<DWORD, DWORD> ids;
    mqtest::DialogTemplate dialog;
    if (!mqtest::load_dialog_template(template_id, &dialog)) return ids;
    for (const mqtest::TemplateItem &item : dialog.items) {
        DWORD id = static_cast<DWORD>(item.id);
        ids[id] = id == kLabelId && ids.count(id)
                      ? (ids[id] > item.help_id ? ids[id] : item.help_id)
                      : item.help_id;
    }
    return ids;
}

// The table's controls of the template, and labels with help id 0.
std::map<DWORD, DWORD> expected_ids(int template_id) {
    std::map<DWORD, DWORD> ids = {{kLabelId, 0}};
    for (const mqtest::ControlHelpId &entry : mqtest::kControlHelpIds) {
        if (entry.template_id == template_id)
            ids[static_cast<DWORD>(entry.control_id)] = entry.help_id;
    }
    return ids;
}

class TemplateHelpIds : public testing::TestWithParam<int> {};

TEST_P(TemplateHelpIds, EveryControlCarriesItsHelpContextIdAndLabelsZero) {
    EXPECT_EQ(template_help_ids(GetParam()), expected_ids(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Templates, TemplateHelpIds,
                         testing::Values(IDD_SETTINGS, IDD_SYMBOL, IDD_PROXY));

}  // namespace

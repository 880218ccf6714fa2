// Help context ids are read from the templates themselves: Wine's dialog
// manager does not hand them to the controls (GetWindowContextHelpId stays 0
// there), so the templates' bytes are the only place to check them.
#include <windows.h>

#include <map>

#include <gtest/gtest.h>

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
        ids[id] = id == kLabelId && ids.count(id) ? (ids[id] > item.help_id ? ids[id] : item.help_id) : item.help_id;
    }
    return ids;
}

struct TemplateIds {
    int template_id;
    std::map<DWORD, DWORD> help_ids;
};

class TemplateHelpIds : public testing::TestWithParam<TemplateIds> {};

TEST_P(TemplateHelpIds, EveryControlCarriesItsHelpContextIdAndLabelsZero) {
    EXPECT_EQ(template_help_ids(GetParam().template_id), GetParam().help_ids);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, TemplateHelpIds,
    testing::Values(TemplateIds{IDD_SETTINGS,
                                {{1004, 0x806A03EC},
                                 {1005, 0x806A03ED},
                                 {1006, 0x806A03EE},
                                 {1007, 0x806A03EF},
                                 {1008, 0x806A03F0},
                                 {1018, 0x806A03FA},
                                 {1031, 0x806A0407},
                                 {IDOK, 0x80680001},
                                 {IDCANCEL, 0x806F0002},
                                 {kLabelId, 0}}},
                    TemplateIds{IDD_SYMBOL,
                                {{1009, 0x806B03F1},
                                 {1010, 0x806B03F2},
                                 {IDOK, 0x80680001},
                                 {IDCANCEL, 0x806F0002},
                                 {kLabelId, 0}}},
                    TemplateIds{IDD_PROXY,
                                {{1019, 0x806F03FB},
                                 {1020, 0x806F03FC},
                                 {IDOK, 0x80680001},
                                 {IDCANCEL, 0x806F0002},
                                 {kLabelId, 0}}}));

}  // namespace

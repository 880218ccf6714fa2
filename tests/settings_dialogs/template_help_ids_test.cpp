// Help context ids are read from the templates themselves: Wine's dialog
// manager does not hand them to the controls (GetWindowContextHelpId stays 0
// there), so the templates' bytes are the only place to check them.
#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <map>

#include <gtest/gtest.h>

#include "app/resources/resource.h"

namespace {

constexpr DWORD kLabelId = 0xFFFFFFFF;

const BYTE *skip_words_of_name(const BYTE *p) {
    const WORD *word = reinterpret_cast<const WORD *>(p);
    if (*word == 0xFFFF) {
        return p + 2 * sizeof(WORD);
    }
    while (*word++) {
    }
    return reinterpret_cast<const BYTE *>(word);
}

const BYTE *align_dword(const BYTE *p, const BYTE *base) {
    return base + ((p - base + 3) & ~static_cast<ptrdiff_t>(3));
}

// Control id -> help context id of every control of an extended template.
// Labels (id -1) are collected under kLabelId with the largest help id seen.
std::map<DWORD, DWORD> template_help_ids(int template_id) {
    std::map<DWORD, DWORD> ids;
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(template_id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    const BYTE *base = found ? static_cast<const BYTE *>(LockResource(LoadResource(nullptr, found))) : nullptr;
    if (!base || reinterpret_cast<const WORD *>(base)[1] != 0xFFFF) {
        return ids;
    }
    const BYTE *p = base;
    WORD count = 0;
    DWORD style = 0;
    memcpy(&style, p + 12, sizeof(style));
    memcpy(&count, p + 16, sizeof(count));
    p += 26;                    // version, signature, help id, ex style, style, count, x, y, cx, cy
    p = skip_words_of_name(p);  // menu
    p = skip_words_of_name(p);  // class
    p = skip_words_of_name(p);  // title
    if (style & DS_SETFONT) {
        p = skip_words_of_name(p + 6);  // point size, weight, italic, charset, face
    }
    for (WORD n = 0; n < count; ++n) {
        p = align_dword(p, base);
        DWORD help_id = 0;
        DWORD id = 0;
        memcpy(&help_id, p, sizeof(help_id));
        memcpy(&id, p + 20, sizeof(id));
        p = skip_words_of_name(p + 24);  // class
        p = skip_words_of_name(p);       // text
        WORD extra = 0;
        memcpy(&extra, p, sizeof(extra));
        p += sizeof(WORD) + extra;
        ids[id] = id == kLabelId && ids.count(id) ? (ids[id] > help_id ? ids[id] : help_id) : help_id;
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

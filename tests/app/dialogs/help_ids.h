// The help context ids, as published, that the dialog templates give their
// controls: one table for the tests that read them from the templates and
// the tests that see them handed to the help control.
#ifndef MORVANE_TESTS_APP_DIALOGS_HELP_IDS_H
#define MORVANE_TESTS_APP_DIALOGS_HELP_IDS_H

#include <windows.h>

#include "app/resources/resource.h"

namespace mqtest {

struct ControlHelpId {
    int template_id;
    int control_id;
    DWORD help_id;
};

const ControlHelpId kControlHelpIds[] = {
    {IDD_ABOUT, IDC_ABOUT_LINK, 0x806803EA},
    {IDD_ABOUT, IDOK, 0x80680001},
    {IDD_SETTINGS, 1004, 0x806A03EC},
    {IDD_SETTINGS, 1005, 0x806A03ED},
    {IDD_SETTINGS, 1006, 0x806A03EE},
    {IDD_SETTINGS, 1007, 0x806A03EF},
    {IDD_SETTINGS, 1008, 0x806A03F0},
    {IDD_SETTINGS, 1018, 0x806A03FA},
    {IDD_SETTINGS, 1031, 0x806A0407},
    {IDD_SETTINGS, IDOK, 0x80680001},
    {IDD_SETTINGS, IDCANCEL, 0x806F0002},
    {IDD_SYMBOL, 1009, 0x806B03F1},
    {IDD_SYMBOL, 1010, 0x806B03F2},
    {IDD_SYMBOL, IDOK, 0x80680001},
    {IDD_SYMBOL, IDCANCEL, 0x806F0002},
    {IDD_PROXY, 1019, 0x806F03FB},
    {IDD_PROXY, 1020, 0x806F03FC},
    {IDD_PROXY, IDOK, 0x80680001},
    {IDD_PROXY, IDCANCEL, 0x806F0002},
    {IDD_QUOTE_LIST, IDC_QUOTES_LIST, 0x806E03F9},
    {IDD_QUOTE_DETAIL, IDC_DETAIL_WEB_SITE, 0x80700405},
};

// The control's id in the table; 0 when it has none there.
inline DWORD expected_help_id(int template_id, int control_id) {
    for (const ControlHelpId &entry : kControlHelpIds) {
        if (entry.template_id == template_id && entry.control_id == control_id)
            return entry.help_id;
    }
    return 0;
}

}  // namespace mqtest

#endif

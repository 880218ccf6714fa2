// Reads a DIALOGEX template of this program's resources as the dialog
// manager would, so tests can check what the template itself carries (Wine's
// dialog manager drops the controls' help ids and rewrites some styles).
#ifndef MORVANE_TESTS_SUPPORT_DIALOG_TEMPLATE_H
#define MORVANE_TESTS_SUPPORT_DIALOG_TEMPLATE_H

#include <windows.h>

#include <string>
#include <vector>

namespace mqtest {

struct TemplateItem {
    DWORD help_id;
    DWORD ex_style;
    DWORD style;
    short x, y, cx, cy;
    int id;  // -1 for labels
};

struct DialogTemplate {
    DWORD help_id;
    DWORD ex_style;
    DWORD style;
    short x, y, cx, cy;
    std::string caption;
    WORD point_size;
    BYTE charset;
    std::string font;
    std::vector<TemplateItem> items;
};

// False when the program has no DIALOGEX template `id`.
bool load_dialog_template(int id, DialogTemplate *out);

// The item with control id `id`, or null.
const TemplateItem *find_item(const DialogTemplate &dialog, int id);

}  // namespace mqtest

#endif

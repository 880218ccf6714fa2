#include "support/dialog_template.h"

#include <string.h>

namespace mqtest {

namespace {

// A cursor over the template's bytes; every field is little-endian and
// WORD-aligned, items start on DWORD boundaries.
struct Reader {
    const BYTE *start;
    const BYTE *p;

    WORD word() {
        WORD value;
        memcpy(&value, p, sizeof(value));
        p += sizeof(value);
        return value;
    }
    DWORD dword() {
        DWORD value;
        memcpy(&value, p, sizeof(value));
        p += sizeof(value);
        return value;
    }
    short coordinate() { return static_cast<short>(word()); }
    // A zero-terminated UTF-16 text, kept as its low bytes (the templates are ASCII).
    std::string text() {
        std::string value;
        for (WORD c = word(); c != 0; c = word()) value += static_cast<char>(c);
        return value;
    }
    // A name or an ordinal: 0 (none), 0xFFFF and a number, or a text.
    void skip_name() {
        WORD first;
        memcpy(&first, p, sizeof(first));
        if (first == 0xFFFF) {
            p += 4;
        } else {
            text();
        }
    }
    void align_dword() {
        size_t offset = static_cast<size_t>(p - start);
        p += (4 - offset % 4) % 4;
    }
};

TemplateItem read_item(Reader &reader) {
    reader.align_dword();
    TemplateItem item;
    item.help_id = reader.dword();
    item.ex_style = reader.dword();
    item.style = reader.dword();
    item.x = reader.coordinate();
    item.y = reader.coordinate();
    item.cx = reader.coordinate();
    item.cy = reader.coordinate();
    DWORD id = reader.dword();
    item.id = id == 0xFFFF ? -1 : static_cast<int>(id);
    reader.skip_name();  // class
    reader.skip_name();  // title
    WORD extra = reader.word();
    reader.p += extra;
    return item;
}

}  // namespace

bool load_dialog_template(int id, DialogTemplate *out) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (resource == nullptr) return false;
    const BYTE *bytes = static_cast<const BYTE *>(LockResource(LoadResource(module, resource)));
    Reader reader{bytes, bytes};
    if (reader.word() != 1 || reader.word() != 0xFFFF) return false;  // not DIALOGEX
    out->help_id = reader.dword();
    out->ex_style = reader.dword();
    out->style = reader.dword();
    WORD count = reader.word();
    out->x = reader.coordinate();
    out->y = reader.coordinate();
    out->cx = reader.coordinate();
    out->cy = reader.coordinate();
    reader.skip_name();  // menu
    reader.skip_name();  // class
    out->caption = reader.text();
    out->point_size = 0;
    out->charset = 0;
    if (out->style & (DS_SETFONT | DS_SHELLFONT)) {
        out->point_size = reader.word();
        reader.word();  // weight
        reader.p += 1;  // italic
        out->charset = *reader.p++;
        out->font = reader.text();
    }
    out->items.clear();
    for (WORD i = 0; i < count; ++i) out->items.push_back(read_item(reader));
    return true;
}

const TemplateItem *find_item(const DialogTemplate &dialog, int id) {
    for (const TemplateItem &item : dialog.items) {
        if (item.id == id) return &item;
    }
    return nullptr;
}

}  // namespace mqtest

// Late binding of the platform's HtmlHelpA from the HTML Help control, so the
// program starts on systems without it and help then silently does nothing.
#include "app/dialogs/html_help.h"

namespace {

typedef HWND(WINAPI *HtmlHelpFunction)(HWND, LPCSTR, UINT, DWORD_PTR);

const char kControlKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
const char kControlFileName[] = "hhctrl.ocx";
const WORD kHtmlHelpOrdinal = 14;
// The registered value is read into 260 bytes; one more holds the terminator
// that a stored value may lack.
enum { kModulePathSize = 260, kModulePathBufferSize = kModulePathSize + 1 };

// Bound once for the life of the process; the module is never released, and
// a failed binding is final.
HMODULE help_module = nullptr;
HtmlHelpFunction help_function = nullptr;
bool binding_failed = false;

// The registered path of the control, or an empty text.
void read_registered_path(char (&path)[kModulePathBufferSize]) {
    path[0] = '\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kControlKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD size = kModulePathSize;
    DWORD type = 0;
    LONG status =
        RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE *>(path), &size);
    RegCloseKey(key);
    bool is_text = type == REG_SZ || type == REG_EXPAND_SZ;
    path[status == ERROR_SUCCESS && is_text ? size : 0] = '\0';
}

HMODULE load_help_module() {
    char path[kModulePathBufferSize];
    read_registered_path(path);
    HMODULE module = path[0] != '\0' ? LoadLibraryA(path) : nullptr;
    if (module == nullptr) module = LoadLibraryA(kControlFileName);
    return module;
}

bool bind_help_function() {
    if (help_module == nullptr && !binding_failed) {
        help_module = load_help_module();
        if (help_module == nullptr) binding_failed = true;
    }
    if (binding_failed) return false;
    if (help_function == nullptr) {
        // Through void *: FARPROC has no parameters, and GCC warns on a direct cast.
        FARPROC entry = GetProcAddress(help_module, MAKEINTRESOURCEA(kHtmlHelpOrdinal));
        help_function = reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void *>(entry));
        if (help_function == nullptr) binding_failed = true;
    }
    return help_function != nullptr;
}

}  // namespace

HWND HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
    if (!bind_help_function()) return nullptr;
    return help_function(caller, file, command, data);
}

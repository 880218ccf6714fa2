#include "app/dialogs/help_registry.h"

namespace mqtest {

namespace {

const char kControlKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

}  // namespace

ScopedHelpControlPath::ScopedHelpControlPath(const std::string &path) {
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kControlKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key_, nullptr) != ERROR_SUCCESS) {
        key_ = nullptr;
        return;
    }
    char value[1024];
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key_, nullptr, nullptr, &old_type_, reinterpret_cast<BYTE *>(value),
                         &size) == ERROR_SUCCESS) {
        had_value_ = true;
        old_value_.assign(value, size);
    }
    ok_ = set(path);
}

bool ScopedHelpControlPath::set(const std::string &path) {
    if (key_ == nullptr) return false;
    return RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(path.c_str()),
                          static_cast<DWORD>(path.size() + 1)) == ERROR_SUCCESS;
}

ScopedHelpControlPath::~ScopedHelpControlPath() {
    if (key_ == nullptr) return;
    if (had_value_) {
        RegSetValueExA(key_, nullptr, 0, old_type_,
                       reinterpret_cast<const BYTE *>(old_value_.data()),
                       static_cast<DWORD>(old_value_.size()));
    } else {
        RegDeleteValueA(key_, nullptr);
    }
    RegCloseKey(key_);
}

std::string program_folder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

}  // namespace mqtest

// Points the registration of the HTML Help control (its InprocServer32
// default value under HKEY_CLASSES_ROOT) at another file for the life of the
// object, and puts the previous value back afterwards.
#ifndef MORVANE_TESTS_DIALOGS_HELP_REGISTRY_H
#define MORVANE_TESTS_DIALOGS_HELP_REGISTRY_H

#include <windows.h>

#include <string>

namespace mqtest {

class ScopedHelpControlPath {
public:
    explicit ScopedHelpControlPath(const std::string &path);
    ~ScopedHelpControlPath();
    ScopedHelpControlPath(const ScopedHelpControlPath &) = delete;
    ScopedHelpControlPath &operator=(const ScopedHelpControlPath &) = delete;

    bool ok() const { return ok_; }
    // Changes the value again, keeping the original for the restore.
    bool set(const std::string &path);

private:
    HKEY key_ = nullptr;
    bool ok_ = false;
    bool had_value_ = false;
    DWORD old_type_ = REG_SZ;
    std::string old_value_;
};

// This test program's folder, with a trailing backslash.
std::string program_folder();

}  // namespace mqtest

#endif

// Helpers shared by the Win32 tests that run under Wine.
#ifndef MORVANE_TESTS_WIN32_TEST_SUPPORT_H
#define MORVANE_TESTS_WIN32_TEST_SUPPORT_H

#include <windows.h>

#include <string>

#include "plugin/quote_plugin.h"

namespace mqtest {

// Full Windows path of a file in the folder where the build puts the
// deliverables (the program and its libraries), e.g.
// deliverable_path(MQX_PLUGIN_FILE_NAME).
std::string deliverable_path(const char *file_name);

// The folder itself, without a trailing backslash.
std::string deliverable_dir();

// A deliverable library, loaded from the deliverables folder for as long as
// this object lives.
class DeliverableLibrary {
public:
    explicit DeliverableLibrary(const char *file_name);
    ~DeliverableLibrary();
    DeliverableLibrary(const DeliverableLibrary &) = delete;
    DeliverableLibrary &operator=(const DeliverableLibrary &) = delete;
    HMODULE module() const { return module_; }
    const std::string &path() const { return path_; }
    bool file_exists() const;

private:
    std::string path_;
    HMODULE module_;
};

// An export as the function type it has; through void (*)(), which
// converts to any function type without a warning.
template <typename Function>
Function resolve(HMODULE module, const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The real plug-in bound to the real page fetch, as the tray program binds
// them, for tests that quote through both.
class QuoteChain {
public:
    QuoteChain();
    QuoteChain(const QuoteChain &) = delete;
    QuoteChain &operator=(const QuoteChain &) = delete;
    // Empty when bound; else what is missing.
    const std::string &problem() const { return problem_; }
    // A zero-filled request with the proxy ("127.0.0.1:PORT") and symbol,
    // as it comes back from the plug-in.
    QuoteRequest quote(const char *symbol, const std::string &proxy) const;

private:
    DeliverableLibrary utilities_;
    DeliverableLibrary plugin_;
    MqxQuoteFunction quote_ = nullptr;
    std::string problem_;
};

// The number (a port) alone in a text file, or 0.
DWORD number_in_file(const char *path);

// A file's whole content as it stands ("" when it cannot be read), for logs
// that another process is still writing.
std::string file_text(const std::string &path);

}  // namespace mqtest

#endif

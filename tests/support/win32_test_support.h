// Helpers shared by the Win32 tests that run under Wine.
#ifndef MORVANE_TESTS_WIN32_TEST_SUPPORT_H
#define MORVANE_TESTS_WIN32_TEST_SUPPORT_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "plugin/quote_plugin.h"

namespace mqtest {

// Full Windows path of a file in the folder where the build puts the
// deliverables (the program and its libraries), e.g.
// deliverable_path(MQX_PLUGIN_FILE_NAME).
std::string deliverable_path(const char *file_name);

// The folder itself, without a trailing backslash.
std::string deliverable_dir();

// An export as the function type it has; through void (*)(), which
// converts to any function type without a warning.
template <typename Function>
Function resolve(HMODULE module, const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

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
    template <typename Function>
    Function resolve(const char *name) const {
        return mqtest::resolve<Function>(module_, name);
    }
    // The names in the loaded image's export directory, as stored (sorted),
    // after one "(by ordinal)" for each export without a name.
    std::vector<std::string> export_names() const;

private:
    std::string path_;
    HMODULE module_;
};

// The version resource of a file, read whole.
class VersionResource {
public:
    explicit VersionResource(const std::string &path);
    bool loaded() const { return !data_.empty(); }
    // The fixed part; null when missing.
    const VS_FIXEDFILEINFO *fixed() const;
    // The first listed language and code page, as the block name "040904e4".
    std::string translation() const;
    // A string of that block; "(missing)" when absent.
    std::string text(const char *name) const;

private:
    void *query(const std::string &path, UINT *size) const;
    std::vector<char> data_;
};

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

// Dispatches every message waiting for this thread. A WM_QUIT among them is
// taken, not dispatched: then true, with its exit code in *exit_code if given.
bool dispatch_pending(WPARAM *exit_code = nullptr);

// Polls `done` every `interval_ms`, dispatching this thread's messages in
// between, for at most `timeout_ms`; true as soon as it holds.
bool wait_until(const std::function<bool()> &done, DWORD timeout_ms, DWORD interval_ms = 50);

// A path in the temporary folder: the folder, with its backslash, then `name`.
std::string temp_path(const std::string &name = "");

// The number (a port) alone in a text file, or 0.
DWORD number_in_file(const char *path);

// A file's whole content as it stands ("" when it cannot be read), for logs
// that another process is still writing.
std::string file_text(const std::string &path);

}  // namespace mqtest

#endif

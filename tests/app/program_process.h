// Morvane Quote.exe as a child process of a test: started in a folder of the
// test's choice, its windows found by class (and caption), ended by force if a
// test leaves it running.
#ifndef MORVANE_TESTS_APP_PROGRAM_PROCESS_H
#define MORVANE_TESTS_APP_PROGRAM_PROCESS_H

#include <windows.h>

#include <string>

// The file the build makes of the program (app/CMakeLists.txt).
#define APP_PROGRAM_FILE_NAME "Morvane Quote.exe"

namespace apptest {

class ProgramProcess {
public:
    // Starts `exe` with `arguments` (already quoted as needed) and no
    // standard handles, so a program that would write to them shows its
    // message box instead.
    ProgramProcess(const std::string &exe, const std::string &current_dir,
                   const std::string &arguments = "");
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess &) = delete;
    ProgramProcess &operator=(const ProgramProcess &) = delete;

    bool started() const { return started_; }
    bool running() const {
        return started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
    }

    // A top-level window of the program with the class and, when given, the
    // caption, or null. Only visible windows count, except the hidden tray
    // window itself.
    HWND window(const char *class_name, const char *caption = nullptr) const;

    // The same, waited for up to `timeout_ms`.
    HWND wait_for_window(const char *class_name, DWORD timeout_ms,
                         const char *caption = nullptr) const;

    // The exit code, or STILL_ACTIVE when the program did not end in time.
    DWORD wait_for_exit() const;

    // Ends the program at once, as a crash or a forced shutdown would, and
    // waits until it is gone.
    void terminate() const;

    // The most memory the program has committed so far, in bytes; 0 when
    // it cannot be read.
    size_t peak_memory_bytes() const;

private:
    PROCESS_INFORMATION info_ = {};
    bool started_ = false;
};

// The window's text, read without hanging on a busy program.
std::string window_text(HWND window);

}  // namespace apptest

#endif

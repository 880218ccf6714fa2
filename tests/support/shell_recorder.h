// Records what the program asks ShellExecuteA to open instead of opening it.
#ifndef MORVANE_TESTS_SUPPORT_SHELL_RECORDER_H
#define MORVANE_TESTS_SUPPORT_SHELL_RECORDER_H

#include <windows.h>

#include <string>
#include <vector>

namespace mqtest {

struct ShellCall {
    HWND owner;
    std::string verb;
    std::string file;
    bool has_parameters;
    bool has_directory;
    INT show;
};

// Starts recording (idempotent) and forgets earlier calls. False when the
// program does not import ShellExecuteA.
bool start_shell_recording();
const std::vector<ShellCall> &shell_calls();

}  // namespace mqtest

#endif

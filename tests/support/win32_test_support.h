// Helpers shared by the Win32 tests that run under Wine.
#ifndef MORVANE_TESTS_WIN32_TEST_SUPPORT_H
#define MORVANE_TESTS_WIN32_TEST_SUPPORT_H

#include <string>

namespace mqtest {

// Full Windows path of a file in the folder where the build puts the
// deliverables ("Morvane Quote.exe" and its libraries), e.g.
// deliverable_path("Morvane Quote Nasdaq.mqx").
std::string deliverable_path(const char *file_name);

// The folder itself, without a trailing backslash.
std::string deliverable_dir();

}  // namespace mqtest

#endif

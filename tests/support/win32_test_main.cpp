// Entry point of every Win32 test program. A crash must end the program with
// a failure instead of opening Wine's crash dialog and hanging the run.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

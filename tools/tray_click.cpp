// tray_click [DESKTOP]: clicks the running Morvane Quote's tray icon the way
// the shell reports a click, so that a script can open the balloon without a
// mouse (scripts/run.sh does, for its screenshot). DESKTOP names the desktop
// the program runs on (Wine's "explorer /desktop=NAME"), the current one when
// left out. Exit code 0 once the click is posted, 1 when there is no such
// desktop or no program on it within 10 s, 2 for a wrong command line.
#include <windows.h>

#include <stdio.h>

#include "app/tray_messages.h"

int main(int argc, char **argv) {
    if (argc > 2) {
        fprintf(stderr, "usage: tray_click [DESKTOP]\n");
        return 2;
    }
    // A window is found only from a thread on its own desktop.
    if (argc == 2) {
        HDESK desktop = OpenDesktopA(argv[1], 0, FALSE, GENERIC_ALL);
        if (desktop == nullptr || !SetThreadDesktop(desktop)) {
            fprintf(stderr, "tray_click: cannot open the desktop \"%s\"\n", argv[1]);
            return 1;
        }
    }
    for (int tries = 0; tries < 100; ++tries) {
        HWND window = FindWindowA(TRAY_WINDOW_CLASS, nullptr);
        if (window != nullptr) {
            // The icon's id (0) in wParam, the mouse message in lParam.
            return PostMessageA(window, WM_TRAY_CALLBACK, 0, WM_LBUTTONDOWN) ? 0 : 1;
        }
        Sleep(100);
    }
    fprintf(stderr, "tray_click: no Morvane Quote is running (no window of class %s)\n",
            TRAY_WINDOW_CLASS);
    return 1;
}

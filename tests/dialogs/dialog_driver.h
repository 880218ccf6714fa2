// Runs a real modal dialog of the program in this thread while a script of
// steps drives it: one step per tick of a thread timer, which every modal
// loop (also a nested one) dispatches. A watchdog ends every dialog of the
// thread if the script does not, so no test can hang.
#ifndef MORVANE_TESTS_DIALOGS_DIALOG_DRIVER_H
#define MORVANE_TESTS_DIALOGS_DIALOG_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace mqtest {

typedef std::function<void()> DialogStep;

struct DialogRun {
    INT_PTR result;
    bool timed_out;  // the watchdog had to end the dialogs
};

DialogRun run_dialog(int template_id, DLGPROC proc, LPARAM parameter, std::vector<DialogStep> steps,
                     DWORD timeout_ms = 5000);

// The open dialog of this thread run by `proc`, or null.
HWND find_dialog(DLGPROC proc);

std::string control_text(HWND dialog, int id);

// Posts a button click, as a user's click arrives: from the message loop,
// so a dialog it opens runs its own nested loop.
void post_click(HWND dialog, int id);

}  // namespace mqtest

#endif

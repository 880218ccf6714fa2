// Drives real modal dialogs from inside their own message loops: a thread
// timer runs the steps of a script one after another while the code under
// test sits in DialogBoxParamA. Every action that may end a dialog is posted,
// so no step ever blocks in a nested modal loop.
#ifndef MORVANE_TESTS_SETTINGS_DIALOGS_DIALOG_DRIVER_H
#define MORVANE_TESTS_SETTINGS_DIALOGS_DIALOG_DRIVER_H

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace mqtest {

class DialogScript {
public:
    // A step returns true when it is done, false to be tried again at the
    // next tick (waiting for a dialog to appear, for instance).
    using Step = std::function<bool()>;

    DialogScript &then(Step step);

    // Runs `body` with the script's timer running. When the steps have not
    // all run after `timeout_ms`, every dialog of the thread is ended and the
    // script reports the step it was stuck at.
    void run(const std::function<void()> &body, DWORD timeout_ms = 15000);

    bool completed() const { return steps_.empty() && !timed_out_; }
    size_t steps_left() const { return steps_.size(); }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void step_once();
    void end_all_dialogs();

    std::deque<Step> steps_;
    DWORD deadline_ = 0;
    bool timed_out_ = false;
    bool busy_ = false;
};

// The visible dialog of this thread with `caption` that has a control
// `control_id` (0: any), or null.
HWND find_dialog(const char *caption, int control_id = 0);

// Counts the visible dialogs of this thread with `caption` and control.
int count_dialogs(const char *caption, int control_id = 0);

// Posts a click on a dialog button.
void post_click(HWND dialog, int control_id);

// Selects a list-box line and tells the dialog, as a user's click would.
void select_line(HWND dialog, int list_id, int index);

// Posts the list box's double-click notification to the dialog.
void post_double_click(HWND dialog, int list_id);

std::string control_text(HWND dialog, int control_id);
std::string list_line(HWND dialog, int list_id, int index);
int list_count(HWND dialog, int list_id);

}  // namespace mqtest

#endif

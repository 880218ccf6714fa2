// Drives real modal dialogs of the test program from inside their own message
// loops: a thread timer, which every modal loop (also a nested one)
// dispatches, runs the steps of a script one after another while the code
// under test sits in DialogBoxParamA. A watchdog ends every dialog of the
// thread once the script's time is up, so no test can hang.
#ifndef MORVANE_TESTS_SUPPORT_DIALOG_DRIVER_H
#define MORVANE_TESTS_SUPPORT_DIALOG_DRIVER_H

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace mqtest {

// Shows a dialog modally over `owner` and returns its result.
typedef std::function<INT_PTR(HWND owner)> DialogLauncher;

// Runs a dialog of the program through its run function, with `data`.
template <typename Data, typename Argument>
DialogLauncher launcher(INT_PTR (*run_function)(HWND owner, Data *data), Argument data) {
    Data *pointer = data;
    return [run_function, pointer](HWND owner) { return run_function(owner, pointer); };
}

// A hidden window of the test program that owns the dialogs under test, as
// the tray window owns the program's: the dialogs take the module of their
// templates from it.
HWND dialog_owner();

class DialogScript {
public:
    // A step returns true when it is done, false to be tried again at the
    // next tick (waiting for a dialog to appear, for instance). A step must
    // not block: what may open or end a dialog is posted.
    using Step = std::function<bool()>;

    DialogScript &then(Step step);

    // Runs `body` with the script's timer running. When the steps have not
    // all run after `timeout_ms`, every dialog of the thread is ended at each
    // tick from then on. Returns false when that happened.
    bool play(const std::function<void()> &body, DWORD timeout_ms = 15000);

    // play(), failing the test unless every step ran in time.
    void run(const std::function<void()> &body, DWORD timeout_ms = 15000);

    // Runs a dialog under run() and returns its result.
    INT_PTR run_dialog(const DialogLauncher &launch, DWORD timeout_ms = 15000);

    // The same for one of the program's dialogs, run by its run function.
    template <typename Data, typename Argument>
    INT_PTR run_dialog(INT_PTR (*run_function)(HWND owner, Data *data), Argument data,
                       DWORD timeout_ms = 15000) {
        return run_dialog(launcher(run_function, data), timeout_ms);
    }

    size_t steps_left() const { return steps_.size(); }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void step_once();

    std::deque<Step> steps_;
    DWORD deadline_ = 0;
    bool timed_out_ = false;
    bool busy_ = false;
};

// The shorter form for scripts of plain actions: each runs once, at the
// first tick at which the thread shows a dialog and has none half-created or
// half-ended. The result is not checked: a test may expect the watchdog.
typedef std::function<void()> DialogStep;

struct DialogRun {
    INT_PTR result;
    bool timed_out;  // the watchdog had to end the dialogs
};

DialogRun run_dialog(const DialogLauncher &launch, std::vector<DialogStep> steps, DWORD timeout_ms = 5000);

template <typename Data, typename Argument>
DialogRun run_dialog(INT_PTR (*run_function)(HWND owner, Data *data), Argument data,
                     std::vector<DialogStep> steps, DWORD timeout_ms = 5000) {
    return run_dialog(launcher(run_function, data), std::move(steps), timeout_ms);
}

// A step that waits for the visible dialog `caption` and then acts on it.
DialogScript::Step on_dialog(const char *caption, std::function<void(HWND)> action);

// The visible dialog of this thread with `caption` that has a control
// `control_id` (0: any), or null.
HWND find_dialog(const char *caption, int control_id = 0);

// Counts the visible dialogs of this thread with `caption` and control.
int count_dialogs(const char *caption, int control_id = 0);

// Posts a click on a dialog button, as a user's click arrives: from the
// message loop, so a dialog it opens runs its own nested loop.
void post_click(HWND dialog, int control_id);

// Posts the button's command straight to the dialog procedure, which a
// disabled button would not let through from a click.
void post_command(HWND dialog, int control_id);

// Selects a list-box line and tells the dialog, as a user's click would.
void select_line(HWND dialog, int list_id, int index);

// Posts the list box's double-click notification to the dialog.
void post_double_click(HWND dialog, int list_id);

std::string control_text(HWND dialog, int control_id);
std::string list_line(HWND dialog, int list_id, int index);
int list_count(HWND dialog, int list_id);
std::vector<std::string> list_lines(HWND dialog, int list_id);

}  // namespace mqtest

#endif

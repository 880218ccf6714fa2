// Drives real modal dialogs and message boxes of the test program from inside
// their own message loops: a thread timer, which every modal loop (also a
// nested one) dispatches, runs the steps of a script one after another while
// the code under test sits in DialogBoxParamA or MessageBoxA. A watchdog ends
// every dialog of the thread once the script's time is up, so no test can
// hang.
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
    // A step runs at a tick at which the thread shows a dialog and has none
    // half-created or half-ended. It returns true when it is done, false to
    // be tried again at the next such tick (waiting for a dialog to appear,
    // for instance). A step must not block: what may open or end a dialog is
    // posted.
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

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void step_once();

    std::deque<Step> steps_;
    DWORD deadline_ = 0;
    bool timed_out_ = false;
    bool busy_ = false;
};

// A step that waits for the visible dialog `caption` that has a control
// `control_id` (0: any) and then acts on it.
DialogScript::Step on_dialog(const char *caption, std::function<void(HWND)> action);
DialogScript::Step on_dialog(const char *caption, int control_id, std::function<void(HWND)> action);

// A step that does its action once, on whatever dialog is up.
DialogScript::Step act(std::function<void()> action);

// A step that waits for a message box captioned `caption`, hands it to
// `check` and answers it with OK.
DialogScript::Step answer_message_box(const char *caption, std::function<void(HWND box)> check);

// A step that waits until no message box captioned `caption` is up.
DialogScript::Step wait_until_message_box_closed(const char *caption);

// The text and the icon a message box shows.
std::string message_box_text(HWND box);
HICON message_box_icon(HWND box);

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

// Sends the button's command straight to the dialog procedure and returns
// once it is handled.
void send_command(HWND dialog, int control_id);

// Selects a list-box line and tells the dialog, as a user's click would.
void select_line(HWND dialog, int list_id, int index);

// Posts the list box's double-click notification to the dialog.
void post_double_click(HWND dialog, int list_id);

bool control_enabled(HWND dialog, int control_id);
std::string control_text(HWND dialog, int control_id);
std::string list_line(HWND dialog, int list_id, int index);
int list_count(HWND dialog, int list_id);
std::vector<std::string> list_lines(HWND dialog, int list_id);

}  // namespace mqtest

#endif

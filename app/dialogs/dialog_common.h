// Pieces every dialog of the program shares: running one, its data pointer,
// centring, context help and the OK and Cancel that several dialogs share.
#ifndef MORVANE_APP_DIALOGS_DIALOG_COMMON_H
#define MORVANE_APP_DIALOGS_DIALOG_COMMON_H

#include <windows.h>

// Runs the dialog `template_id` of the owner's module modally, with `data` as
// its creation parameter. Returns the modal result, -1 when the dialog
// cannot be created.
INT_PTR dialog_run(int template_id, HWND owner, DLGPROC procedure, void *data);

// The dialog's data pointer, kept in its user data from WM_INITDIALOG on.
template <typename T>
T *dialog_data(HWND dialog) {
    return reinterpret_cast<T *>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

void set_dialog_data(HWND dialog, void *data);

// Shows a record field in the control `control`, even when the field lacks
// its terminator.
void show_field(HWND dialog, int control, const char *field, size_t field_size);

// Moves `dialog` to the centre of the screen, keeping its size. Pass the
// dialog itself as `insert_after` to keep its Z order, or HWND_TOP to also
// bring it to the top.
void center_on_screen(HWND dialog, HWND insert_after);

// The tail of every dialog procedure, for the messages it does not handle
// itself: WM_HELP shows the pop-up help of the control the request names
// (TRUE), anything else is FALSE.
INT_PTR dialog_default(HWND dialog, UINT message, LPARAM lparam);

// The OK and Cancel of the dialogs that only show something: both end the
// dialog with 1.
void close_on_ok_or_cancel(HWND dialog, WORD control);

// The OK and Cancel of the dialogs that edit something: OK runs `accept`,
// which ends the dialog when it takes the input; Cancel ends it with 0.
void accept_or_cancel(HWND dialog, WORD control, void (*accept)(HWND dialog));

#endif

// Pieces every dialog of the program shares: centring, the link control and
// context help.
#ifndef MORVANE_APP_DIALOGS_DIALOG_COMMON_H
#define MORVANE_APP_DIALOGS_DIALOG_COMMON_H

#include <windows.h>

// Moves `dialog` to the centre of the screen, keeping its size. Pass the
// dialog itself as `insert_after` to keep its Z order, or HWND_TOP to also
// bring it to the top.
void center_on_screen(HWND dialog, HWND insert_after);

// Turns a static control (it needs SS_NOTIFY) into a link that opens its own
// window text. Returns nonzero on success; callers ignore it.
BOOL make_link_control(HWND control);

// The window procedure of a link control.
LRESULT CALLBACK link_control_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The WM_HELP answer of every dialog: shows the pop-up help of the control
// the request names. The dialog procedure returns TRUE afterwards.
void show_context_help(HWND dialog, const HELPINFO *info);

#endif

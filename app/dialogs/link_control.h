// A static control that looks and acts like a web link.
#ifndef MORVANE_APP_DIALOGS_LINK_CONTROL_H
#define MORVANE_APP_DIALOGS_LINK_CONTROL_H

#include <windows.h>

// Turns a static control (it needs SS_NOTIFY) into a link that opens its own
// window text. True on success; callers ignore it.
bool make_link_control(HWND control);

#endif

// The program's one notification-area icon.
#ifndef MORVANE_APP_TRAY_ICON_H
#define MORVANE_APP_TRAY_ICON_H

#include <windows.h>

#include "app/tray_messages.h"  // the icon's WM_TRAY_CALLBACK

// Adds the icon with icon 102 and the tooltip "Morvane Quote".
void tray_add_icon(HWND window, bool balloon_capable);

// Shows the icon `icon_id` and the tooltip `text` (copied unchanged).
void tray_update_icon(HWND window, UINT icon_id, const char *text, bool balloon_capable);

// Shows a balloon titled "Morvane Quote" holding `text`. Does nothing and
// yields false when balloon_capable is clear; else whether the shell took it.
bool tray_show_balloon(HWND window, UINT icon_id, const char *text, bool balloon_capable);

// Removes the icon.
void tray_remove_icon(HWND window, bool balloon_capable);

#endif

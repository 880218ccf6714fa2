// HTML Help, bound at the first request from the system's HTML Help control
// (export ordinal 14). Once binding has failed every call returns 0.
#ifndef MORVANE_APP_DIALOGS_HTML_HELP_H
#define MORVANE_APP_DIALOGS_HTML_HELP_H

#include <windows.h>

#define HELP_FILE_NAME "Morvane Quote Help.chm"
#define HELP_SETTINGS_TOPIC HELP_FILE_NAME "::/settings.htm"

enum { HH_DISPLAY_TOPIC_COMMAND = 0, HH_DISPLAY_TOC_COMMAND = 1, HH_TP_HELP_WM_HELP_COMMAND = 17 };

// Same arguments and result as the platform's HtmlHelpA.
HWND HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

#endif

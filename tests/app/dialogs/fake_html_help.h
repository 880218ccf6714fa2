// A stand-in for the HTML Help control, built by the tests: it exports
// HtmlHelpA as ordinal 14, as the real control does, and records each call.
#ifndef MORVANE_TESTS_DIALOGS_FAKE_HTML_HELP_H
#define MORVANE_TESTS_DIALOGS_FAKE_HTML_HELP_H

#include <windows.h>

#define FAKE_HTML_HELP_FILE "fake_html_help.dll"
#define FAKE_HTML_HELP_CALLS_EXPORT "fake_html_help_calls"
// What the fake's HtmlHelpA returns, so callers can see its result came back.
#define FAKE_HTML_HELP_RESULT (reinterpret_cast<HWND>(0x4D51))

struct FakeHelpCall {
    LONG count;  // calls so far
    HWND caller;
    char file[MAX_PATH];
    UINT command;
    DWORD ids[3];  // the pairs list of a context help request, when command is 17
};

typedef const FakeHelpCall *(*FakeHelpCallsFunction)(void);

#endif

// A window's commands as a table: each command id beside what carries it
// out, looked up instead of a switch arm per command.
#ifndef MORVANE_APP_COMMAND_TABLE_H
#define MORVANE_APP_COMMAND_TABLE_H

#include <windows.h>

#include "app/app_state.h"

// A command carried out on the window with the program's state.
struct CommandHandler {
    UINT command;
    void (*run)(HWND window, AppState *state);
};

// The entry of `table` for `command`, or null when it has none. An entry is
// any struct with a `command` field.
template <typename Entry, size_t count>
const Entry *command_entry(const Entry (&table)[count], UINT command) {
    for (const Entry &entry : table) {
        if (entry.command == command) {
            return &entry;
        }
    }
    return nullptr;
}

#endif

// Replaces one imported function in this program's import table, so a test
// sees exactly what the code under test passed to the system (all arguments,
// and nothing is started).
#ifndef MORVANE_TESTS_DIALOGS_IMPORT_HOOK_H
#define MORVANE_TESTS_DIALOGS_IMPORT_HOOK_H

namespace mqtest {

// Points this program's import of `function` from `dll` at `replacement`.
// Returns the previous address, or null when the program does not import it.
void *replace_import(const char *dll, const char *function, void *replacement);

}  // namespace mqtest

#endif

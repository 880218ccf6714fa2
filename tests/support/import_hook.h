// Replaces one imported function in this program's import table, so a test
// sees exactly what the code under test passed to the system (all arguments,
// and nothing is started). The code under test is linked into the test
// program, so its calls to the system go through that table.
#ifndef MORVANE_TESTS_SUPPORT_IMPORT_HOOK_H
#define MORVANE_TESTS_SUPPORT_IMPORT_HOOK_H

namespace mqtest {

// Points this program's import of `function` from `dll` at `replacement`
// for the life of the object, and back at the system's function afterwards.
class ScopedImport {
public:
    ScopedImport(const char *dll, const char *function, void *replacement);
    ~ScopedImport();
    ScopedImport(const ScopedImport &) = delete;
    ScopedImport &operator=(const ScopedImport &) = delete;

    // False when the program does not import the function.
    bool ok() const { return original_ != nullptr; }

    // The system's function, for a replacement that passes calls on.
    template <typename Function>
    Function original() const {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(original_));
    }

private:
    const char *dll_;
    const char *function_;
    void *original_;
};

}  // namespace mqtest

#endif

// Typed look-up of a function exported by a loaded module.
#ifndef MORVANE_APP_MODULE_EXPORT_H
#define MORVANE_APP_MODULE_EXPORT_H

#include <windows.h>

// The address of `name` in `module` as a `Function`, or null when the
// module or the export is missing. The detour through void* keeps GCC from
// warning about the cast between unrelated function types.
template <typename Function>
Function module_export(HMODULE module, const char *name) {
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

#endif

#include "support/import_hook.h"

#include <windows.h>

namespace mqtest {

namespace {

BYTE *program_base() { return reinterpret_cast<BYTE *>(GetModuleHandleA(nullptr)); }

IMAGE_IMPORT_DESCRIPTOR *first_import(BYTE *base) {
    IMAGE_DOS_HEADER *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    IMAGE_NT_HEADERS *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    return reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
}

void **find_slot(BYTE *base, IMAGE_IMPORT_DESCRIPTOR *module, const char *function) {
    IMAGE_THUNK_DATA *names =
        reinterpret_cast<IMAGE_THUNK_DATA *>(base + module->OriginalFirstThunk);
    IMAGE_THUNK_DATA *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + module->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        IMAGE_IMPORT_BY_NAME *name =
            reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
        if (lstrcmpA(reinterpret_cast<const char *>(name->Name), function) == 0) {
            return reinterpret_cast<void **>(&slots->u1.Function);
        }
    }
    return nullptr;
}

// Returns the previous address, or null when the program does not import
// the function.
void *replace_import(const char *dll, const char *function, void *replacement) {
    BYTE *base = program_base();
    for (IMAGE_IMPORT_DESCRIPTOR *module = first_import(base); module && module->Name != 0;
         ++module) {
        if (lstrcmpiA(reinterpret_cast<const char *>(base + module->Name), dll) != 0) continue;
        void **slot = find_slot(base, module, function);
        if (slot == nullptr) continue;
        DWORD protection;
        VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
        void *previous = *slot;
        *slot = replacement;
        VirtualProtect(slot, sizeof(*slot), protection, &protection);
        return previous;
    }
    return nullptr;
}

}  // namespace

ScopedImport::ScopedImport(const char *dll, const char *function, void *replacement)
    : dll_(dll), function_(function), original_(replace_import(dll, function, replacement)) {}

ScopedImport::~ScopedImport() {
    if (original_ != nullptr) replace_import(dll_, function_, original_);
}

}  // namespace mqtest

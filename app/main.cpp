// Start-up of Morvane Quote.exe: the state, the shell probe, the settings,
// the one hidden tray window and the message loop.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include "app/app_state.h"
#include "app/module_export.h"
#include "app/resources/resource.h"
#include "app/settings/settings_store.h"
#include "app/tray_messages.h"
#include "app/tray_window.h"

namespace {

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFunction)(DWORD flags);
typedef BOOL(WINAPI *SetDllDirectoryFunction)(LPCSTR path);

static_assert(sizeof(DLLVERSIONINFO) == 20, "the shell probe passes the 20-byte version record");

// The libraries are loaded by bare name. Left alone, the search would also
// try the current directory and PATH, so a file planted there would run
// inside the program. Both functions are looked up because older systems
// lack them; SetDllDirectoryA("") only drops the current directory.
void restrict_library_search() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesFunction set_default_directories =
        module_export<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
    if (set_default_directories != nullptr &&
        set_default_directories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                                LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return;
    }
    SetDllDirectoryFunction set_dll_directory =
        module_export<SetDllDirectoryFunction>(kernel, "SetDllDirectoryA");
    if (set_dll_directory != nullptr) {
        set_dll_directory("");
    }
}

// Balloons and the large icon data came with shell version 5.
bool shell_supports_balloons() {
    HMODULE shell = LoadLibraryA("Shell32.dll");
    if (shell == nullptr) {
        return false;
    }
    bool capable = false;
    DLLGETVERSIONPROC get_version = module_export<DLLGETVERSIONPROC>(shell, "DllGetVersion");
    if (get_version != nullptr) {
        DLLVERSIONINFO version = {};
        version.cbSize = sizeof(version);
        if (SUCCEEDED(get_version(&version)) && version.dwMajorVersion > 4) {
            capable = true;
        }
    }
    FreeLibrary(shell);
    return capable;
}

bool register_tray_class(HINSTANCE instance) {
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = tray_window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = TRAY_WINDOW_CLASS;
    return RegisterClassExA(&window_class) != 0;
}

// The window's creation binds the libraries, adds the icon and runs the
// first refresh; null when it could not be created or gave up.
HWND create_tray_window(HINSTANCE instance, AppState *state) {
    return CreateWindowExA(WS_EX_TRANSPARENT, TRAY_WINDOW_CLASS, APP_PRODUCT_NAME,
                           WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr, instance, state);
}

// An empty region keeps the window invisible even while dialogs show it.
void make_invisible(HWND window) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (region != nullptr) {
        // The window owns the region from here on.
        SetWindowRgn(window, region, FALSE);
    }
}

int run_message_loop() {
    MSG message = {};
    BOOL result;
    while ((result = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return result == 0 ? static_cast<int>(message.wParam) : 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    AppState state;
    app_state_init(&state);
    restrict_library_search();
    // Loads the common controls the manifest asks for, for the dialogs.
    InitCommonControls();
    state.balloon_capable = shell_supports_balloons();
    settings_load(&state);
    int exit_code = 0;
    if (register_tray_class(instance)) {
        HWND window = create_tray_window(instance, &state);
        if (window != nullptr) {
            make_invisible(window);
            exit_code = run_message_loop();
        }
    }
    settings_free(&state);
    return exit_code;
}

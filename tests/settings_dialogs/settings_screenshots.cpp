// Opens the settings dialog on sample settings, then its symbol and proxy
// dialogs, and saves each window as a BMP file into the folder given as the
// only argument (docs/ keeps them as PNG). Not a test: run by hand inside a
// Wine session.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "app/app_state.h"
#include "app/dialogs/settings_dialog.h"
#include "app/resources/resource.h"
#include "app/settings/settings_store.h"
#include "app/settings/symbol_list.h"
#include "settings_dialogs/dialog_driver.h"
#include "settings_dialogs/settings_fixture.h"

namespace {

bool write_bitmap(const std::string &path, HDC memory, HBITMAP bitmap, int width, int height) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    std::string pixels(((static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3)) * height, '\0');
    GetDIBits(memory, bitmap, 0, height, &pixels[0], reinterpret_cast<BITMAPINFO *>(&header), DIB_RGB_COLORS);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE *out = fopen(path.c_str(), "wb");
    if (!out) {
        return false;
    }
    fwrite(&file, sizeof(file), 1, out);
    fwrite(&header, sizeof(header), 1, out);
    fwrite(pixels.data(), pixels.size(), 1, out);
    return fclose(out) == 0;
}

// Copies the window from the screen; Wine shows what a window painted only
// after the paint went back to the message loop, hence the settle steps.
void capture(HWND window, const std::string &path) {
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);
    if (!write_bitmap(path, memory, bitmap, width, height)) {
        fprintf(stderr, "cannot write %s\n", path.c_str());
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

mqtest::DialogScript::Step settle() {
    int ticks = 0;
    return [ticks]() mutable { return ++ticks > 12; };
}

mqtest::DialogScript::Step capture_then(const char *caption, std::string path, int control_id) {
    return [=] {
        HWND dialog = mqtest::find_dialog(caption);
        if (dialog) {
            capture(dialog, path);
            mqtest::post_click(dialog, control_id);
        }
        return dialog != nullptr;
    };
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: settings_screenshots FOLDER\n");
        return 2;
    }
    std::string folder = std::string(argv[1]) + "\\";
    AppState state;
    app_state_init(&state);
    symbol_list_create(&state.symbols);
    state.update_minutes = 15;
    strcpy(state.proxy, "proxy.example.net");
    state.proxy_port = 8080;
    const mqtest::SymbolEntry entries[] = {{"MSFT", "Microsoft Corporation"},
                                           {"INTC", "Intel Corporation"},
                                           {"CSCO", "Cisco Systems"},
                                           {"ACME", "Acme Tools"},
                                           {"ORCL", "Oracle Corporation"}};
    for (const mqtest::SymbolEntry &entry : entries) {
        QuoteRecord record = mqtest::make_record(entry.symbol, entry.description);
        symbol_list_append(state.symbols, &record, sizeof(record));
    }
    const char settings[] = "Morvane Quote Settings";
    mqtest::DialogScript script;
    script.then(settle())
        .then([&] {
            mqtest::select_line(mqtest::find_dialog(settings), IDC_SETTINGS_SYMBOLS, 3);
            return true;
        })
        .then(settle())
        .then(capture_then(settings, folder + "settings.bmp", IDC_SETTINGS_EDIT))
        .then(settle())
        .then(capture_then("Symbol", folder + "symbol.bmp", IDCANCEL))
        .then(settle())
        .then([&] {
            mqtest::post_click(mqtest::find_dialog(settings), IDC_SETTINGS_PROXY);
            return true;
        })
        .then(settle())
        .then(capture_then("Proxy Server Settings", folder + "proxy.bmp", IDCANCEL))
        .then(settle())
        .then([&] {
            // Cancel only reads the prefix's store; OK would write the samples.
            mqtest::post_click(mqtest::find_dialog(settings), IDCANCEL);
            return true;
        });
    script.run([&] { mqtest::run_dialog(IDD_SETTINGS, settings_dialog, &state); }, 20000);
    settings_free(&state);
    return script.completed() ? 0 : 1;
}

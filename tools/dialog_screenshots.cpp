// Opens the About dialog, the quote list and the quote detail filled with
// sample quotes and saves each window as a BMP file into the folder given
// as the only argument (docs/ keeps them as PNG). Not a test: run by hand
// inside a Wine session.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "app/app_state.h"
#include "app/dialogs/about_dialog.h"
#include "app/dialogs/quote_dialogs.h"
#include "app/resources/resource.h"
#include "support/dialog_driver.h"

namespace {

bool write_bitmap(const std::string &path, HBITMAP bitmap, int width, int height) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    DWORD row = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::string pixels(row * height, '\0');
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, height, &pixels[0], reinterpret_cast<BITMAPINFO *>(&header),
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE *out = fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    fwrite(&file, sizeof(file), 1, out);
    fwrite(&header, sizeof(header), 1, out);
    fwrite(pixels.data(), pixels.size(), 1, out);
    return fclose(out) == 0;
}

// Copies the window from the screen. Wine hands what a window painted to the
// X display only after the paint returns to the message loop, so callers
// capture a few ticks after the window was last drawn.
void capture(HWND window, const std::string &path) {
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);
    if (!write_bitmap(path, bitmap, width, height))
        fprintf(stderr, "cannot write %s\n", path.c_str());
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

QuoteRecord sample(const char *symbol, const char *description, float last, float previous,
                   float high, float low, unsigned volume) {
    QuoteRecord record;
    memset(&record, 0, sizeof(record));
    strcpy(record.symbol, symbol);
    strcpy(record.description, description);
    strcpy(record.market, "Nasdaq");
    snprintf(record.detail_url, sizeof(record.detail_url), "http://quotes.example/%s", symbol);
    record.last_sale = last;
    record.previous_close = previous;
    record.todays_high = high;
    record.todays_low = low;
    record.volume = volume;
    record.updated = QuoteTime{2026, 12, 1, 7, 9, 35, 12, 0};
    return record;
}

// Ticks for the window to paint before it is captured.
void settle(mqtest::DialogScript &script) {
    for (int tick = 0; tick < 10; ++tick) script.then(mqtest::act([] {}));
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: dialog_screenshots FOLDER\n");
        return 2;
    }
    std::string folder = std::string(argv[1]) + "\\";
    mqtest::DialogScript about;
    settle(about);
    about.then(mqtest::on_dialog("About Morvane Quote", [&](HWND dialog) {
        capture(dialog, folder + "about.bmp");
        mqtest::post_click(dialog, IDOK);
    }));
    about.play([] { about_dialog_run(mqtest::dialog_owner(), nullptr); });

    AppState state;
    app_state_init(&state);
    symbol_list_create(&state.symbols);
    const QuoteRecord records[] = {
        sample("MSFT", "Microsoft Corporation", 412.35f, 409.10f, 414.00f, 408.25f, 18234500),
        sample("ACME", "Acme Tools", 12.5f, 12.75f, 12.9f, 12.4f, 1234567),
        sample("INTC", "Intel Corporation", 21.07f, 21.07f, 21.3f, 20.85f, 40211000),
        sample("CSCO", "Cisco Systems", 57.82f, 56.9f, 58.1f, 56.75f, 15022100),
    };
    for (const QuoteRecord &record : records)
        symbol_list_append(state.symbols, &record, sizeof(record));

    HWND list = nullptr;
    mqtest::DialogScript quotes;
    settle(quotes);
    quotes.then(mqtest::on_dialog(APP_PRODUCT_NAME, IDC_QUOTES_LIST, [&](HWND dialog) {
        list = dialog;
        SendDlgItemMessageA(list, IDC_QUOTES_LIST, LB_SETCURSEL, 0, 0);
        SendMessageA(list, WM_COMMAND, MAKEWPARAM(IDC_QUOTES_LIST, LBN_SELCHANGE), 0);
    }));
    settle(quotes);
    quotes.then(mqtest::act([&] {
        capture(list, folder + "quote_list.bmp");
        mqtest::post_click(list, IDC_QUOTES_DETAIL);
    }));
    settle(quotes);
    quotes.then(mqtest::on_dialog(APP_PRODUCT_NAME, IDC_DETAIL_WEB_SITE, [&](HWND detail) {
        capture(detail, folder + "quote_detail.bmp");
        mqtest::post_click(detail, IDOK);
    }));
    settle(quotes);
    quotes.then(mqtest::act([&] { mqtest::post_click(list, IDOK); }));
    quotes.play([&] { quote_list_run(mqtest::dialog_owner(), &state); });
    symbol_list_free(state.symbols);
    return 0;
}

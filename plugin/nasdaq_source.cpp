// Morvane Quote Nasdaq.mqx: the quote source that reads the Nasdaq quote
// page. It keeps only its module instance and its copy of the attach record;
// everything a quote call needs lives in a private heap made for that call.
#include <windows.h>

#include <string.h>

#include "plugin/fixed_text.h"
#include "plugin/quote_page.h"
#include "plugin/quote_plugin.h"
#include "nasdaq_resource.h"

namespace {

constexpr DWORD kPageSize = 150000;
constexpr DWORD kAddressSize = 1024;
constexpr int kTemplateSize = 1024;
// One byte past the usable page stays zero whatever the page fetch writes,
// so the parser always finds the end of the text.
constexpr DWORD kPageAllocation = kPageSize + 1;
// Sized for the two buffers as the fetch sees them; the heap is growable, so
// the guard byte needs no room of its own here.
constexpr SIZE_T kHeapInitialSize = kPageSize + kAddressSize;

HINSTANCE g_instance = nullptr;
AttachRecord g_attach = {};

void fetch_and_parse(QuoteRequest *request, char *page, char *address) {
    char address_template[kTemplateSize] = {};
    LoadStringA(g_instance, IDS_ADDRESS_TEMPLATE, address_template, kTemplateSize);
    // The host's symbol field is not trusted to hold its terminator.
    char symbol[MQX_SYMBOL_SIZE];
    fixed_text_copy(symbol, sizeof symbol, request->symbol, sizeof request->symbol);
    // wsprintfA never writes more than 1024 characters, the address buffer's size.
    wsprintfA(address, address_template, symbol);
    uint32_t length = kPageSize;
    if (g_attach.get_page != nullptr) {
        g_attach.get_page(address, kAddressSize, page, &length,
                          reinterpret_cast<const char *>(request));
    }
    parse_quote_page(request, page);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    g_instance = instance;
    return TRUE;
}

extern "C" void MQ_CDECL MQX_Attach(AttachRecord *record) {
    if (record->version == MQX_INTERFACE_VERSION) {
        LoadStringA(g_instance, IDS_SOURCE_NAME, record->source_name, MQX_SOURCE_NAME_SIZE);
        record->accepted = 1;
    } else {
        record->accepted = 0;
    }
    memcpy(&g_attach, record, sizeof g_attach);
}

extern "C" int32_t MQ_CDECL MQX_Quote(QuoteRequest *request) {
    HANDLE heap = HeapCreate(0, kHeapInitialSize, 0);
    if (heap == nullptr) {
        return 0;
    }
    char *page = static_cast<char *>(HeapAlloc(heap, HEAP_ZERO_MEMORY, kPageAllocation));
    char *address = page != nullptr
                        ? static_cast<char *>(HeapAlloc(heap, HEAP_ZERO_MEMORY, kAddressSize))
                        : nullptr;
    if (page != nullptr && address != nullptr) {
        fetch_and_parse(request, page, address);
    }
    if (address != nullptr) {
        HeapFree(heap, 0, address);
    }
    if (page != nullptr) {
        HeapFree(heap, 0, page);
    }
    return HeapDestroy(heap) ? 1 : 0;
}

extern "C" void MQ_CDECL MQX_Detach(void) {}

// The contract between the tray program (the host) and a quote-source
// plug-in. Both sides are built against this header; the two records cross
// module boundaries, so their byte layout is fixed and checked below.
//
// Portable: no Windows header. The calling convention macro expands to
// nothing on non-Windows builds so the records and the parser can be unit
// tested natively.
#ifndef MORVANE_PLUGIN_QUOTE_PLUGIN_H
#define MORVANE_PLUGIN_QUOTE_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define MQ_CDECL __cdecl
#else
#define MQ_CDECL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// The page-fetch function the host hands over at attach time (the signature
// of MQUTILITES_GetPage). Returns a value that says nothing about the fetch.
typedef int32_t(MQ_CDECL *GetPageFunction)(const char *url, uint32_t url_size, char *buffer,
                                           uint32_t *length, const char *proxy);

enum {
    MQX_INTERFACE_VERSION = 2,
    MQX_SOURCE_NAME_SIZE = 128,
    MQX_PROXY_SIZE = 272,
    MQX_SYMBOL_SIZE = 128,
    MQX_MARKET_SIZE = 128,
    MQX_DETAIL_URL_SIZE = 256
};

#pragma pack(push, 1)

// Filled by the host, completed by the plug-in in MQX_Attach.
typedef struct AttachRecord {
    int32_t version;
    GetPageFunction get_page;
    char source_name[MQX_SOURCE_NAME_SIZE];
    uint8_t reserved[12];
    int32_t accepted;
} AttachRecord;

// One quote call. The host zero-fills it; `proxy` and `symbol` go in, the rest
// comes out. `proxy` is first on purpose: the request's address doubles as
// the proxy text handed to the page fetch.
typedef struct QuoteRequest {
    char proxy[MQX_PROXY_SIZE];
    char symbol[MQX_SYMBOL_SIZE];
    float last_sale;
    float todays_high;
    float todays_low;
    float previous_close;
    uint32_t volume;
    char market[MQX_MARKET_SIZE];
    char detail_url[MQX_DETAIL_URL_SIZE];
} QuoteRequest;

#pragma pack(pop)

// Export signatures of a plug-in (undecorated cdecl names).
typedef void(MQ_CDECL *MqxAttachFunction)(AttachRecord *record);
typedef int32_t(MQ_CDECL *MqxQuoteFunction)(QuoteRequest *request);
typedef void(MQ_CDECL *MqxDetachFunction)(void);

#define MQX_ATTACH_EXPORT "MQX_Attach"
#define MQX_QUOTE_EXPORT "MQX_Quote"
#define MQX_DETACH_EXPORT "MQX_Detach"

// The quote source the tray program loads from its own folder.
#define MQX_PLUGIN_FILE_NAME "Morvane Quote Nasdaq.mqx"

#ifdef __cplusplus
}
#endif

// The layouts assume 4-byte function pointers (a 32-bit process).
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(AttachRecord) == 152, "AttachRecord is 152 bytes");
static_assert(offsetof(AttachRecord, version) == 0, "version at 0");
static_assert(offsetof(AttachRecord, get_page) == 4, "get_page at 4");
static_assert(offsetof(AttachRecord, source_name) == 8, "source_name at 8");
static_assert(offsetof(AttachRecord, reserved) == 136, "reserved at 136");
static_assert(offsetof(AttachRecord, accepted) == 148, "accepted at 148");
#endif

static_assert(sizeof(QuoteRequest) == 804, "QuoteRequest is 804 bytes");
static_assert(offsetof(QuoteRequest, proxy) == 0, "proxy at 0");
static_assert(offsetof(QuoteRequest, symbol) == 272, "symbol at 272");
static_assert(offsetof(QuoteRequest, last_sale) == 400, "last_sale at 400");
static_assert(offsetof(QuoteRequest, todays_high) == 404, "todays_high at 404");
static_assert(offsetof(QuoteRequest, todays_low) == 408, "todays_low at 408");
static_assert(offsetof(QuoteRequest, previous_close) == 412, "previous_close at 412");
static_assert(offsetof(QuoteRequest, volume) == 416, "volume at 416");
static_assert(offsetof(QuoteRequest, market) == 420, "market at 420");
static_assert(offsetof(QuoteRequest, detail_url) == 548, "detail_url at 548");
static_assert(sizeof(float) == 4, "prices are 32-bit IEEE floats");

#endif

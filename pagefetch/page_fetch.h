// The one export of Morvane Quote Utilities.dll.
#ifndef MORVANE_PAGEFETCH_PAGE_FETCH_H
#define MORVANE_PAGEFETCH_PAGE_FETCH_H

#include <stdint.h>

#include "plugin/quote_plugin.h"

#ifdef __cplusplus
extern "C" {
#endif

// Downloads the page at `url` ("http://" host "/" path, read within
// `url_size` bytes) from port 80 of host, or through `proxy` ("address:port")
// when that text is not empty, into `buffer`. `*length` holds the capacity of
// `buffer` on entry and the number of bytes received on return; the text in
// `buffer` always ends in a zero within the capacity. The caller owns every
// buffer; nothing is kept after the call.
//
// A redirect (301, 302, 303, 307, 308) to an http address on port 80 is
// followed with a GET, through the same proxy, up to five in a row; the page
// is the body of the first answer that is not followed. A redirect whose
// request cannot be sent counts as a request not sent.
//
// Nothing is fetched, and `buffer` and `*length` stay as they were, when the
// address has no host and path (no third '/' within `url_size`) or the
// capacity is 0. When a request could not be sent, `buffer` is an empty text
// and `*length` keeps the capacity.
//
// The process-wide WinINet connect, receive and send time-outs are changed for
// the duration of the call and restored before it returns. The result says
// nothing about the fetch.
int32_t MQ_CDECL MQUTILITES_GetPage(const char *url, uint32_t url_size, char *buffer,
                                    uint32_t *length, const char *proxy);

#define MQUTILITES_GET_PAGE_EXPORT "MQUTILITES_GetPage"

// The library's file, loaded by the tray program from its own folder.
#define MQUTILITES_FILE_NAME "Morvane Quote Utilities.dll"

#ifdef __cplusplus
}
#endif

#endif

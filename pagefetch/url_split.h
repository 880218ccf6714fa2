// Splitting a page address "scheme://host/path" into the host text and the
// path text that the page fetch hands to WinINet.
//
// Portable: no Windows header, unit tested natively.
#ifndef MORVANE_PAGEFETCH_URL_SPLIT_H
#define MORVANE_PAGEFETCH_URL_SPLIT_H

#include <stdint.h>

// Scans `url` from its first character, never beyond `url_size` bytes and
// never past its terminating zero, for the third '/'. The host is the text
// strictly between the second and the third '/', the path everything after
// the third '/' (without it). Neither is looked at further: a port inside the
// host and the scheme stay as they are.
//
// `host` and `path` must each hold `url_size` bytes and come zero-filled; the
// copies then always end in a zero, because each part is shorter than
// `url_size`.
//
// Returns false, and writes nothing, when there is no third '/' within
// `url_size` bytes (including `url_size` 0).
bool split_url(const char *url, uint32_t url_size, char *host, char *path);

#endif

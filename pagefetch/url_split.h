// The page fetch's address logic: splitting a page address
// "scheme://host/path" into the host text and the path text that go to
// WinINet, and finding where a redirect's Location leads from there.
//
// Portable: no Windows header, unit tested natively.
#ifndef MORVANE_PAGEFETCH_URL_SPLIT_H
#define MORVANE_PAGEFETCH_URL_SPLIT_H

#include <stddef.h>
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

// The longest Location the fetch reads, terminator included; also the size of
// each part of a redirect's target.
const size_t kLocationSize = 2048;

// Where a redirect leads: the host text for the connection and the path text
// of the request, without its leading '/', as split_url gives them.
struct RedirectTarget {
    char host[kLocationSize];
    char path[kLocationSize];
};

// Resolves `location`, a redirect's Location, against the address just
// requested (`host` and `path` as above, zero-terminated) into `*target`,
// which must not hold `host` or `path`.
//
// Followed: "http://host/path" (the scheme in any case) and "//host/path",
// with no port or port 80, which is dropped; "/path"; "?query"; and a relative
// path, merged with the folder of `path`. A fragment is never sent. Dot
// segments go to the server as they are; it resolves them.
//
// Returns false when the location is not to be followed: another scheme
// (https included, as the fetch speaks plain HTTP on port 80 only), another
// port, an empty host, a user name, a byte that is not printable ASCII (a
// space or a line break included), nothing but a fragment, or a target whose
// host or path would not fit; `*target` then holds nothing of use.
bool resolve_location(const char *location, const char *host, const char *path,
                      RedirectTarget *target);

#endif

#include "pagefetch/url_split.h"

#include <string.h>

#include "plugin/fixed_text.h"

bool split_url(const char *url, uint32_t url_size, char *host, char *path) {
    // Its zero, or url_size when the buffer holds no zero.
    const uint32_t end = static_cast<uint32_t>(fixed_text_length(url, url_size));
    uint32_t slashes = 0;
    uint32_t second = 0;
    for (uint32_t i = 0; i < end; ++i) {
        if (url[i] != '/') {
            continue;
        }
        ++slashes;
        if (slashes == 2) {
            second = i;
        } else if (slashes == 3) {
            memcpy(host, url + second + 1, i - second - 1);
            memcpy(path, url + i + 1, end - i - 1);
            return true;
        }
    }
    return false;
}

namespace {

// A piece of text that need not end in a zero.
struct Span {
    const char *text;
    size_t length;
};

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A request line and its Host header come from these bytes; a line break or a
// space in them would let the redirecting server write the request.
bool is_printable_ascii(Span text) {
    for (size_t i = 0; i < text.length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text.text[i]);
        if (c <= ' ' || c >= 0x7F) {
            return false;
        }
    }
    return true;
}

// The length of the scheme that opens `reference` ("http" of "http://h/"), or
// 0 when it opens with none.
size_t scheme_length(Span reference) {
    if (reference.length == 0 || !is_ascii_letter(reference.text[0])) {
        return 0;
    }
    for (size_t i = 1; i < reference.length; ++i) {
        const char c = reference.text[i];
        if (c == ':') {
            return i;
        }
        if (!is_ascii_letter(c) && !is_digit(c) && c != '+' && c != '-' && c != '.') {
            return 0;
        }
    }
    return 0;
}

bool is_http(Span scheme) {
    const char kHttp[] = "http";
    if (scheme.length != sizeof kHttp - 1) {
        return false;
    }
    for (size_t i = 0; i < scheme.length; ++i) {
        if ((scheme.text[i] | 0x20) != kHttp[i]) {
            return false;
        }
    }
    return true;
}

// No port at all ("host:" included) means 80 too.
bool is_port_80(Span digits) {
    unsigned value = 0;
    for (size_t i = 0; i < digits.length; ++i) {
        if (!is_digit(digits.text[i])) {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(digits.text[i] - '0');
        if (value > 80) {
            return false;
        }
    }
    return digits.length == 0 || value == 80;
}

// The host of an authority "host[:port]", where an address in brackets may
// hold colons of its own; an empty span when the fetch cannot go there.
Span authority_host(Span authority) {
    const Span none = {authority.text, 0};
    if (memchr(authority.text, '@', authority.length) != nullptr) {
        return none;
    }
    const char *host_end = authority.text + authority.length;
    if (authority.length > 0 && authority.text[0] == '[') {
        const char *close =
            static_cast<const char *>(memchr(authority.text, ']', authority.length));
        if (close == nullptr) {
            return none;
        }
        host_end = close + 1;
    } else if (const void *colon = memchr(authority.text, ':', authority.length)) {
        host_end = static_cast<const char *>(colon);
    }
    const Span rest = {host_end, static_cast<size_t>(authority.text + authority.length - host_end)};
    if (rest.length > 0 && (rest.text[0] != ':' || !is_port_80({rest.text + 1, rest.length - 1}))) {
        return none;
    }
    return {authority.text, static_cast<size_t>(host_end - authority.text)};
}

bool copy_within(char *part, Span first, Span second) {
    if (first.length + second.length >= kLocationSize) {
        return false;
    }
    memcpy(part, first.text, first.length);
    memcpy(part + first.length, second.text, second.length);
    part[first.length + second.length] = '\0';
    return true;
}

bool write_target(RedirectTarget *target, Span host, Span path_head, Span path_tail) {
    return copy_within(target->host, host, {"", 0}) &&
           copy_within(target->path, path_head, path_tail);
}

// `after_slashes` is what follows the "//" of "http://host/path" or "//host/path".
bool resolve_network_path(Span after_slashes, RedirectTarget *target) {
    size_t authority_end = 0;
    while (authority_end < after_slashes.length && after_slashes.text[authority_end] != '/' &&
           after_slashes.text[authority_end] != '?') {
        ++authority_end;
    }
    const Span host = authority_host({after_slashes.text, authority_end});
    if (host.length == 0) {
        return false;
    }
    Span path = {after_slashes.text + authority_end, after_slashes.length - authority_end};
    if (path.length > 0 && path.text[0] == '/') {
        path = {path.text + 1, path.length - 1};
    }
    return write_target(target, host, path, {"", 0});
}

// What a location relative to `path` keeps of it: up to its query for a new
// query, else its folder (up to its last '/' before the query).
Span base_of(const char *path, char location_start) {
    const size_t query = strcspn(path, "?");
    if (location_start == '?') {
        return {path, query};
    }
    size_t folder = query;
    while (folder > 0 && path[folder - 1] != '/') {
        --folder;
    }
    return {path, folder};
}

}  // namespace

bool resolve_location(const char *location, const char *host, const char *path,
                      RedirectTarget *target) {
    const Span reference = {location, strcspn(location, "#")};
    if (reference.length == 0 || !is_printable_ascii(reference)) {
        return false;
    }
    const size_t scheme = scheme_length(reference);
    if (scheme > 0) {
        if (!is_http({location, scheme}) || strncmp(location + scheme, "://", 3) != 0) {
            return false;
        }
        return resolve_network_path({location + scheme + 3, reference.length - scheme - 3}, target);
    }
    if (strncmp(location, "//", 2) == 0) {
        return resolve_network_path({location + 2, reference.length - 2}, target);
    }
    const Span same_host = {host, strlen(host)};
    if (location[0] == '/') {
        return write_target(target, same_host, {location + 1, reference.length - 1}, {"", 0});
    }
    return write_target(target, same_host, base_of(path, location[0]), reference);
}

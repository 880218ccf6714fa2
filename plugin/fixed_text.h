// Texts in fixed fields that may come without their terminator: a record
// read from the store, a field a plug-in filled or a hand-edited value. The
// host, the plug-ins and the page fetch all read such fields, so this lives
// beside the contract they share, header-only, linking nothing.
//
// Portable: no Windows header.
#ifndef MORVANE_PLUGIN_FIXED_TEXT_H
#define MORVANE_PLUGIN_FIXED_TEXT_H

#include <stddef.h>
#include <string.h>

// Length of the text in a field of `size` bytes: up to its first zero, or
// `size` when the field holds none. Never reads past the field.
inline size_t fixed_text_length(const char *text, size_t size) {
    const void *zero = memchr(text, '\0', size);
    return zero != nullptr ? static_cast<size_t>(static_cast<const char *>(zero) - text) : size;
}

// Copies the text of a source field of `source_size` bytes into `dest`
// (`dest_size` > 0), cut to `dest_size` - 1 characters, and terminates it.
// Bytes after the terminator are left as they were. Returns the length copied.
inline size_t fixed_text_copy(char *dest, size_t dest_size, const char *source,
                              size_t source_size) {
    size_t length = fixed_text_length(source, source_size);
    if (length >= dest_size) length = dest_size - 1;
    memcpy(dest, source, length);
    dest[length] = '\0';
    return length;
}

#endif

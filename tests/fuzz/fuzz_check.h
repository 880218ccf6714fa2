// What every fuzz target needs besides the code under test: a check that
// stops the run with the failed condition, which libFuzzer then reports
// with the input that caused it.
#ifndef MORVANE_TESTS_FUZZ_FUZZ_CHECK_H
#define MORVANE_TESTS_FUZZ_FUZZ_CHECK_H

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define FUZZ_CHECK(condition)                                                             \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            abort();                                                                      \
        }                                                                                 \
    } while (0)

// True when a text field of `size` bytes holds its terminator.
inline bool ends_within(const char *field, size_t size) {
    return memchr(field, '\0', size) != nullptr;
}

#endif

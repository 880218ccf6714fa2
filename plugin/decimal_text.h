// Decimal text to number, with the same grammar on every platform. The C
// library's atof/atol differ between runtimes (hexadecimal, "inf", "nan",
// overflow of long), so prices and volumes read from a page, and numbers the
// user types, go through these instead.
//
// Portable: no Windows header.
#ifndef MORVANE_PLUGIN_DECIMAL_TEXT_H
#define MORVANE_PLUGIN_DECIMAL_TEXT_H

#include <stdint.h>

// Leading white space, then an optional sign, digits with an optional '.',
// and an optional exponent ('e' or 'E', optional sign, at least one digit).
// Reading stops at the first character that does not fit. A text that does
// not start with a number gives 0. The result is the nearest double.
double decimal_to_double(const char *text);

// Leading white space, an optional '+' or '-', then decimal digits up to the
// first non-digit, accumulated modulo 2^32 and negated for '-'. No digits
// gives 0.
int32_t decimal_to_int32(const char *text);

#endif

#include "plugin/decimal_text.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

// Beyond this many significant digits only "is anything non-zero left"
// matters for rounding: a halfway point between two doubles never needs more
// than 767 significant digits.
constexpr int kKeptDigits = 780;
// Exponents past this already over- or underflow any double; clamping keeps
// the arithmetic below from overflowing on absurd input.
constexpr long kExponentClamp = 100000;
// Digits of the written exponent count up to this. The clamp alone is not
// enough: the mantissa's own exponent grows with its length (a million zeros
// after the point make it -1000001), and the written exponent must be read
// whole to make up for it. No text is long enough to come near this value.
constexpr long long kExponentSaturation = 1000000000000000LL;

bool is_c_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

const char *skip_space(const char *text) {
    while (is_c_space(*text)) {
        ++text;
    }
    return text;
}

const char *read_sign(const char *text, bool *negative) {
    if (*text == '+' || *text == '-') {
        *negative = *text == '-';
        ++text;
    }
    return text;
}

// Collects the significant digits of a mantissa into a plain integer string,
// so that the value is digits × 10^exponent.
struct Mantissa {
    char digits[kKeptDigits + 2];
    int count = 0;
    long long exponent = 0;
    bool has_digits = false;
    bool tail_nonzero = false;  // a discarded digit beyond kKeptDigits was not 0
};

void add_digit(Mantissa *m, char digit, bool after_point) {
    m->has_digits = true;
    if (m->count == 0 && digit == '0') {
        m->exponent -= after_point ? 1 : 0;
        return;
    }
    if (m->count < kKeptDigits) {
        m->digits[m->count++] = digit;
        m->exponent -= after_point ? 1 : 0;
        return;
    }
    m->exponent += after_point ? 0 : 1;
    m->tail_nonzero = m->tail_nonzero || digit != '0';
}

const char *read_mantissa(const char *text, Mantissa *m) {
    while (is_digit(*text)) {
        add_digit(m, *text++, false);
    }
    if (*text == '.') {
        ++text;
        while (is_digit(*text)) {
            add_digit(m, *text++, true);
        }
    }
    return text;
}

// Reads an exponent part if one is complete; an 'e' without digits is not
// part of the number and adds nothing.
long long read_exponent(const char *text) {
    if (*text != 'e' && *text != 'E') {
        return 0;
    }
    ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    long long value = 0;
    while (is_digit(*text)) {
        if (value < kExponentSaturation) {
            value = value * 10 + (*text - '0');
        }
        ++text;
    }
    return negative ? -value : value;
}

long clamp_exponent(long long exponent) {
    if (exponent > kExponentClamp) {
        return kExponentClamp;
    }
    if (exponent < -kExponentClamp) {
        return -kExponentClamp;
    }
    return static_cast<long>(exponent);
}

}  // namespace

double decimal_to_double(const char *text) {
    bool negative = false;
    text = read_sign(skip_space(text), &negative);
    Mantissa m;
    text = read_mantissa(text, &m);
    if (!m.has_digits) {
        return 0.0;
    }
    if (m.count == 0) {
        return negative ? -0.0 : 0.0;
    }
    if (m.tail_nonzero) {
        // One more digit stands for the whole discarded tail: it keeps the
        // value on the right side of any halfway point.
        m.digits[m.count++] = '1';
        --m.exponent;
    }
    // An integer mantissa with an exponent has no decimal point, so strtod
    // reads it the same whatever locale the host process has set.
    char normal[kKeptDigits + 32];
    snprintf(normal, sizeof normal, "%.*se%ld", m.count, m.digits,
             clamp_exponent(m.exponent + read_exponent(text)));
    double value = strtod(normal, nullptr);
    return negative ? -value : value;
}

int32_t decimal_to_int32(const char *text) {
    bool negative = false;
    text = read_sign(skip_space(text), &negative);
    uint32_t value = 0;
    while (is_digit(*text)) {
        value = value * 10u + static_cast<uint32_t>(*text - '0');
        ++text;
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int32_t>(value);
}

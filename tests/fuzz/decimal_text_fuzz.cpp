// The decimal conversions against references: decimal_to_double must give
// exactly what glibc's strtod gives (glibc rounds correctly) on every text
// both grammars read alike, and decimal_to_int32 what a plain 2^32
// wrap-around reading gives on every text.
#include <ctype.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "plugin/decimal_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

const char *after_space_and_sign(const char *text) {
    while (isspace(static_cast<unsigned char>(*text))) ++text;
    if (*text == '+' || *text == '-') ++text;
    return text;
}

// strtod also reads hexadecimal, "inf" and "nan", which the ticker's
// grammar leaves out on purpose; only those texts are not compared.
bool strtod_reads_alike(const char *text) {
    const char *number = after_space_and_sign(text);
    bool hexadecimal = number[0] == '0' && (number[1] == 'x' || number[1] == 'X');
    return !hexadecimal && strchr("iInN", *number) == nullptr;
}

int32_t wrapped_int32(const char *text) {
    const char *digits = after_space_and_sign(text);
    bool negative = digits > text && digits[-1] == '-';
    const uint64_t kModulus = uint64_t{1} << 32;
    uint64_t value = 0;
    for (; *digits >= '0' && *digits <= '9'; ++digits) {
        value = (value * 10 + static_cast<uint64_t>(*digits - '0')) % kModulus;
    }
    if (negative) value = (kModulus - value) % kModulus;
    int64_t signed_value = value < kModulus / 2
                               ? static_cast<int64_t>(value)
                               : static_cast<int64_t>(value) - static_cast<int64_t>(kModulus);
    return static_cast<int32_t>(signed_value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Exactly the bytes and a terminator, so a read past it is caught.
    char *text = static_cast<char *>(malloc(size + 1));
    memcpy(text, data, size);
    text[size] = '\0';

    FUZZ_CHECK(decimal_to_int32(text) == wrapped_int32(text));
    if (strtod_reads_alike(text)) {
        double ours = decimal_to_double(text);
        double reference = strtod(text, nullptr);
        FUZZ_CHECK(memcmp(&ours, &reference, sizeof(ours)) == 0);
    }
    free(text);
    return 0;
}

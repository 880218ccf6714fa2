// Whatever has arrived on a gateway connection: the request reader answers
// "not yet" (0), a quote for a valid symbol or a status request from the
// gateway's own address (200), or one of its refusals.
#include <stdint.h>

#include <string_view>

#include "gateway/page_request.h"
#include "gateway/plain_text.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view received(reinterpret_cast<const char *>(data), size);
    PageRequestHead head = read_page_request(received, 8421);
    switch (head.http_status) {
    case 200:
        if (head.kind == RequestKind::quote_page) {
            FUZZ_CHECK(is_valid_symbol(head.symbol));
            for (char c : head.symbol) FUZZ_CHECK(!(c >= 'a' && c <= 'z'));
        } else {
            FUZZ_CHECK(head.symbol.empty());
        }
        break;
    case 0:
    case 400:
    case 403:
    case 404:
    case 405:
    case 408:
    case 421:
    case 431:
        FUZZ_CHECK(head.symbol.empty());
        break;
    default:
        FUZZ_CHECK(!"a status the gateway never sends");
    }
    return 0;
}

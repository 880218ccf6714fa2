// The page parser on any page the fetch can deliver, in the buffer the
// Nasdaq source gives it: 150,000 zero-filled bytes for the page and one
// more that stays zero. An odd first byte places the text at the very end
// of a full page, so the parser's searches run up to that last zero.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "plugin/quote_page.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr size_t kPageSize = 150000;

const char kSymbol[] = "MSFT";
const char kProxy[] = "127.0.0.1:8421";

// One block for every run: a fresh 150 KB allocation per input (an mmap
// under AddressSanitizer) would cost more than the parse.
char *fill_page(const uint8_t *data, size_t size) {
    static char *const page = static_cast<char *>(malloc(kPageSize + 1));
    memset(page, 0, kPageSize + 1);
    bool at_end = size > 0 && (data[0] & 1) != 0;
    if (size > 0) {
        ++data;
        --size;
    }
    if (size > kPageSize) size = kPageSize;
    size_t start = 0;
    if (at_end) {
        start = kPageSize - size;
        memset(page, ' ', start);
    }
    memcpy(page + start, data, size);
    return page;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    char *page = fill_page(data, size);
    QuoteRequest request;
    memset(&request, 0, sizeof(request));
    memcpy(request.symbol, kSymbol, sizeof(kSymbol));
    memcpy(request.proxy, kProxy, sizeof(kProxy));
    QuoteRequest before = request;

    parse_quote_page(&request, page);

    FUZZ_CHECK(ends_within(request.market, sizeof(request.market)));
    FUZZ_CHECK(ends_within(request.detail_url, sizeof(request.detail_url)));
    // The in fields are the host's and double as the fetch's proxy text.
    FUZZ_CHECK(memcmp(request.proxy, before.proxy, sizeof(request.proxy)) == 0);
    FUZZ_CHECK(memcmp(request.symbol, before.symbol, sizeof(request.symbol)) == 0);
    return 0;
}

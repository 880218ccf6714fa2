// A live source's answer through the gateway and back through the plug-in's
// parser: the first byte picks the source and the symbol, the rest is the
// answer body. A quote must read back as its own numbers narrowed to float
// and its page-safe texts; any other answer must serve a page that reads
// back as no quote at all.
#include <stdint.h>
#include <string.h>

#include <string>
#include <string_view>

#include "gateway/market_session.h"
#include "gateway/page_writer.h"
#include "gateway/source_answers.h"
#include "plugin/quote_page.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Valid symbols of every shape the request check lets through.
const char *const kSymbols[] = {"MSFT",     "BRK.B", "^DJI", "A",
                                "EURUSD=X", "BF-B",  "0700", "ABCDEFGHIJKLMNO"};

constexpr size_t kPluginPageSize = 150000;

QuoteRequest read_back(const std::string &page) {
    FUZZ_CHECK(page.size() <= kPluginPageSize);
    QuoteRequest request;
    memset(&request, 0, sizeof(request));
    parse_quote_page(&request, page.c_str());
    FUZZ_CHECK(ends_within(request.market, sizeof(request.market)));
    FUZZ_CHECK(ends_within(request.detail_url, sizeof(request.detail_url)));
    return request;
}

void check_quote(const std::string &symbol, const LiveQuote &quote) {
    FUZZ_CHECK(quote.last_sale > 0.0);
    QuoteRequest request = read_back(quote_page(symbol, quote));
    FUZZ_CHECK(request.last_sale == static_cast<float>(quote.last_sale));
    FUZZ_CHECK(request.previous_close == static_cast<float>(quote.previous_close));
    FUZZ_CHECK(request.todays_high == static_cast<float>(quote.todays_high));
    FUZZ_CHECK(request.todays_low == static_cast<float>(quote.todays_low));
    FUZZ_CHECK(request.volume == quote.volume);
    FUZZ_CHECK(page_safe_text(quote.market, MQX_MARKET_SIZE - 1) == request.market);
    FUZZ_CHECK(page_safe_text(quote.detail_url, MQX_DETAIL_URL_SIZE - 1) == request.detail_url);
}

void check_no_quote(const std::string &symbol, AnswerVerdict verdict) {
    QuoteRequest request = read_back(no_quote_page(symbol, verdict_text(verdict)));
    FUZZ_CHECK(request.last_sale == 0.0f && request.previous_close == 0.0f);
    FUZZ_CHECK(request.todays_high == 0.0f && request.todays_low == 0.0f && request.volume == 0);
    FUZZ_CHECK(request.market[0] == '\0' && request.detail_url[0] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    bool yahoo = (data[0] & 1) != 0;
    std::string symbol = kSymbols[(data[0] >> 1) % (sizeof(kSymbols) / sizeof(kSymbols[0]))];
    std::string_view body(reinterpret_cast<const char *>(data + 1), size - 1);

    SourceReading reading = yahoo ? read_yahoo_answer(body) : read_nasdaq_answer(body);
    if (reading.verdict == AnswerVerdict::quote) {
        reading.quote.detail_url =
            yahoo ? yahoo_detail_url(symbol) : nasdaq_detail_url(symbol, "stocks");
        check_quote(symbol, reading.quote);
        // As served at the answer's own moment outside or inside its session,
        // with the extended-hours trade where it states one.
        int64_t figures_at = reading.quote.session.figures_at;
        check_quote(symbol, served_quote(reading.quote, figures_at, SessionChoice::extended));
        FUZZ_CHECK(final_until(reading.quote.session, figures_at, SessionChoice::regular) >= 0);
    } else {
        check_no_quote(symbol, reading.verdict);
    }
    return 0;
}

// parse_quote_page on a full page (150,000 bytes, the plug-in's page
// buffer) against the least any parser must do: one memmem-style scan of
// the page for each of the seven fields' first markers.
//
//   parse_bench [ROUNDS]
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "plugin/quote_page.h"

namespace {

const size_t kPageBytes = 150000;
const int kCallsPerSample = 100;

const char *const kFirstMarkers[] = {
    "b>Market",      "offsite_quotes.asp", "Last Sale:", "Previous Close:",
    "Today's High:", "Today's Low:",       "Volume:"};

// The quote page as the quote server writes it.
const char kQuote[] =
    "<table class=\"quote\">\n"
    "<tr><td><b>MSFT</b></td><td><b>Market : NASDAQ-NM</b></td></tr>\n"
    "<tr><td><a href=\"/offsite_quotes.asp?symbol=MSFT\">Full quote</a>"
    "<meta name=\"detail\" content=http://127.0.0.1:8421/detail?symbol=MSFT\"></td></tr>\n"
    "<tr><td>Last Sale:</td><td align=\"right\">&nbsp;315.44</td></tr>\n"
    "<tr><td>Previous Close:</td><td align=\"right\">&nbsp;316.22</td></tr>\n"
    "<tr><td>Today's High:</td><td align=\"right\">&nbsp;316.53</td></tr>\n"
    "<tr><td>Today's Low:</td><td align=\"right\">&nbsp;308.16</td></tr>\n"
    "<tr><td>Volume:</td><td align=\"right\">45,678,901</td></tr>\n"
    "</table></body></html>\n";

// A page that fills the buffer: ordinary markup (news lines, which hold
// many of the markers' first letters) with the quote at its very end, so
// every search runs through nearly the whole page.
std::string full_page() {
    std::string page = "<html><head><title>MSFT - Stock Quote</title></head><body>\n";
    std::string quote = kQuote;
    char line[160];
    for (int n = 0; page.size() + quote.size() < kPageBytes; ++n) {
        snprintf(line, sizeof(line),
                 "<tr><td><a href=\"/news/story.asp?id=%d\">Board of the company reports on the "
                 "quarter</a></td><td>%d:%02d</td></tr>\n",
                 n, 9 + n % 8, n % 60);
        page += line;
    }
    page.resize(kPageBytes - quote.size());
    return page + quote;
}

// A memmem-style scan: the C library's own where it has one, else each
// place of the needle's first byte (memchr) compared whole (memcmp).
const char *scan(const char *page, size_t length, const char *needle) {
    size_t needle_length = strlen(needle);
#if defined(__GLIBC__)
    return static_cast<const char *>(memmem(page, length, needle, needle_length));
#else
    const char *end = page + length;
    for (const char *at = page; static_cast<size_t>(end - at) >= needle_length; ++at) {
        at = static_cast<const char *>(
            memchr(at, needle[0], static_cast<size_t>(end - at) - needle_length + 1));
        if (at == nullptr) return nullptr;
        if (memcmp(at, needle, needle_length) == 0) return at;
    }
    return nullptr;
#endif
}

// Keeps the compiler from dropping the work whose result nobody reads.
volatile size_t g_sink;

// One round: parses and scan sets taken in turn, call by call, so that
// both meet the machine in the same state; the median time of each, which
// a call that lost the processor to another program does not move.
struct RoundTimes {
    double parse_ms = 0;
    double scans_ms = 0;
};

RoundTimes time_round(const char *page, size_t length) {
    std::vector<double> parses, scans;
    QuoteRequest request;
    memset(&request, 0, sizeof(request));
    for (int i = 0; i < kCallsPerSample; ++i) {
        double started = bench::now_ms();
        parse_quote_page(&request, page);
        double parsed = bench::now_ms();
        for (const char *marker : kFirstMarkers) {
            g_sink += static_cast<size_t>(scan(page, length, marker) - page);
        }
        parses.push_back(parsed - started);
        scans.push_back(bench::now_ms() - parsed);
        g_sink += request.volume;
    }
    RoundTimes times;
    times.parse_ms = bench::spread(parses).median;
    times.scans_ms = bench::spread(scans).median;
    return times;
}

}  // namespace

int main(int argc, char **argv) {
    long rounds = bench::number_argument(argc > 1 ? argv[1] : nullptr, 15);
    if (argc > 2 || rounds < 1) {
        fprintf(stderr, "usage: parse_bench [ROUNDS]\n");
        return 2;
    }
    std::string page = full_page();
    QuoteRequest check;
    memset(&check, 0, sizeof(check));
    parse_quote_page(&check, page.c_str());
    if (check.volume != 45678901u || strcmp(check.market, "NASDAQ-NM") != 0) {
        fprintf(stderr, "parse_bench: the page did not parse as expected\n");
        return 1;
    }
#if defined(_WIN32)
    const char *where = "under Wine (MinGW)";
#else
    const char *where = "native";
#endif
    bench::Report report(std::string("parse_quote_page, ") + std::to_string(page.size()) +
                         "-byte page, " + where + ", per call");
    report.set_goal("parse / seven scans", 1.5);
    for (long round = 0; round < rounds; ++round) {
        RoundTimes times = time_round(page.c_str(), page.size());
        report.add_time("parse_quote_page", times.parse_ms);
        report.add_time("seven memmem-style scans", times.scans_ms);
        report.add_ratio("parse / seven scans", times.parse_ms, times.scans_ms);
    }
    report.print();
    return 0;
}

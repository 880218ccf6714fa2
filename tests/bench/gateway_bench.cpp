// The quote gateway: one quote from its warm cache and one fetched from the
// fake live source (tests/gateway/fake_source.py), each asked as the tray
// program asks it (a WinINet GET with the gateway as proxy), against a bare
// loopback GET of the fake source's own answer. Medians of SAMPLES.
//
//   gateway_bench FAKE_SOURCE_PORT SAMPLES
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench/bare_get.h"
#include "bench/bench_support.h"
#include "support/gateway_process.h"

namespace {

const char kSymbol[] = "MSFT";
const DWORD kCapacity = 150000;
// One timed GET; negative when it brought no quote page (or no answer).
double timed_get(const bench::GetTarget &target, std::vector<char> &buffer, const char *expected) {
    double started = bench::now_ms();
    DWORD length = bench::bare_get(target, buffer.data(), kCapacity, false);
    double elapsed = bench::now_ms() - started;
    buffer[length] = '\0';
    return length > 0 && strstr(buffer.data(), expected) != nullptr ? elapsed : -1;
}

}  // namespace

int main(int argc, char **argv) {
    long source_port = bench::number_argument(argc > 1 ? argv[1] : nullptr, 0);
    long samples = bench::number_argument(argc > 2 ? argv[2] : nullptr, 0);
    if (argc != 3 || source_port <= 0 || source_port > 65535 || samples < 1) {
        fprintf(stderr, "usage: gateway_bench FAKE_SOURCE_PORT SAMPLES\n");
        return 2;
    }
    int status = 0;
    {
        mqtest::GatewayProcess cached(source_port);
        mqtest::GatewayProcess uncached(source_port, "--cache-seconds 0");
        if (!cached.ready() || !uncached.ready()) {
            fprintf(stderr, "gateway_bench: the gateway did not start listening\n");
            return 1;
        }
        bench::GetTarget from_cache = bench::quote_page_target(cached.proxy(), kSymbol);
        bench::GetTarget from_source = bench::quote_page_target(uncached.proxy(), kSymbol);
        bench::GetTarget bare;
        bare.host = "127.0.0.1";
        bare.port = static_cast<INTERNET_PORT>(source_port);
        bare.path = std::string("/api/quote/") + kSymbol + "/info?assetclass=stocks";
        std::vector<char> buffer(kCapacity + 1);
        // Warms the cache, and WinINet and the sockets on every path.
        timed_get(from_cache, buffer, "Last Sale:");
        timed_get(from_source, buffer, "Last Sale:");
        timed_get(bare, buffer, "lastSalePrice");

        std::vector<double> warm, fetched, loopback;
        for (long sample = 0; sample < samples && status == 0; ++sample) {
            warm.push_back(timed_get(from_cache, buffer, "Last Sale:"));
            fetched.push_back(timed_get(from_source, buffer, "Last Sale:"));
            loopback.push_back(timed_get(bare, buffer, "lastSalePrice"));
            if (warm.back() < 0 || fetched.back() < 0 || loopback.back() < 0) {
                fprintf(stderr, "gateway_bench: sample %ld brought no quote\n", sample);
                status = 1;
            }
        }
        if (status == 0) {
            bench::Spread w = bench::spread(warm), f = bench::spread(fetched),
                          b = bench::spread(loopback);
            printf("quote gateway under Wine (median of %ld, lowest..highest)\n", samples);
            printf("  %-44s %.2f ms  (%.2f..%.2f)\n", "quote from the warm cache", w.median, w.low,
                   w.high);
            printf("  %-44s %.2f ms  (%.2f..%.2f)\n", "quote fetched from the fake source",
                   f.median, f.low, f.high);
            printf("  %-44s %.2f ms  (%.2f..%.2f)\n", "bare loopback GET of the source's answer",
                   b.median, b.low, b.high);
            printf("  ratio %-38s %.3f\n", "warm cache / bare GET", w.median / b.median);
            printf("  ratio %-38s %.3f\n", "from the source / bare GET", f.median / b.median);
            printf("  ratio %-38s %.3f\n", "from the source / two bare GETs",
                   f.median / (2 * b.median));
        }
    }
    return status;
}

// A quote-page request as the plug-in's WinINet sends it through the proxy
// setting: the absolute address of the quote host the plug-in is built
// with, that host in Host, and nothing a browser would add. Every test that
// asks the gateway by hand asks in this shape.
//
// Portable: no Windows header.
#ifndef MORVANE_TESTS_SUPPORT_TICKER_REQUEST_H
#define MORVANE_TESTS_SUPPORT_TICKER_REQUEST_H

#include <string>

namespace mqtest {

// The plug-in's address for `symbol`, with the port Wine writes into it.
inline std::string ticker_target(const std::string &symbol) {
    return "http://" MQ_QUOTE_HOST ":80/Quote.dll?mode=stock&symbol=" + symbol +
           "&multi.x=25&multi.y=13";
}

// A GET of `target` with the ticker's headers, then `headers` (each line
// ending in CRLF).
inline std::string ticker_request(const std::string &target, const std::string &headers = "") {
    return "GET " + target + " HTTP/1.1\r\nUser-Agent: MQUTILITIES\r\nHost: " MQ_QUOTE_HOST "\r\n" +
           headers + "\r\n";
}

}  // namespace mqtest

#endif

#include "bench/bare_get.h"

#include "gateway/scoped_handle.h"

namespace bench {

using Handle = ScopedHandle<InternetCloseHandle>;

GetTarget quote_page_target(const std::string &proxy, const std::string &symbol) {
    GetTarget target;
    target.proxy = proxy;
    target.host = MQ_QUOTE_HOST;
    target.path = "/Quote.dll?mode=stock&symbol=" + symbol + "&multi.x=25&multi.y=13";
    return target;
}

DWORD bare_get(const GetTarget &target, char *buffer, DWORD capacity, bool probe) {
    if (probe) {
        DWORD flags = 0;
        if (!InternetGetConnectedState(&flags, 0)) return 0;
    }
    Handle root(
        target.proxy.empty()
            ? InternetOpenA("bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
            : InternetOpenA("bench", INTERNET_OPEN_TYPE_PROXY, target.proxy.c_str(), nullptr, 0));
    if (root.get() == nullptr) return 0;
    Handle connection(InternetConnectA(root.get(), target.host.c_str(), target.port, nullptr,
                                       nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (connection.get() == nullptr) return 0;
    Handle request(HttpOpenRequestA(connection.get(), nullptr, target.path.c_str(), nullptr,
                                    nullptr, nullptr, INTERNET_FLAG_RELOAD, 0));
    if (request.get() == nullptr || !HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0))
        return 0;
    DWORD total = 0;
    DWORD received = 0;
    while (total < capacity &&
           InternetReadFile(request.get(), buffer + total, capacity - total, &received) &&
           received > 0) {
        total += received;
    }
    return total;
}

bool connection_state_allows_fetches() {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

}  // namespace bench

// The gateway's listening side: 127.0.0.1 only, one thread per connection,
// one request per connection.
//
// The gateway's threads, who owns each and what bounds it:
//   thread         owner                    bound
//   main (accept)  the process              until the stop event
//   connection     serve_quotes, waited     one deadline from its accept
//                  for after the stop       (kConnectionDeadlineMs): its
//                                           head, one quote (ended at the
//                                           stop), its sending, the drain;
//                                           at most kMaxConnections, the
//                                           oldest still sending its head
//                                           closed to make room
//   prefetch       QuoteService, joined in  one quote's budget each;
//                  its destructor           kRequestsPerSource of them
//   fetch          fetch_upstream; cut      its caller's budget or the
//                  short and waited for     stop, then its handles are
//                  at the stop by           closed; it holds its source's
//                  end_upstream_fetches     slot to its end, so at most
//                                           kMaxFetchThreads at once
//   notice icon    NoticeIcon, joined in    its message loop, ended when
//                  its destructor           the object goes
#ifndef MORVANE_GATEWAY_GATEWAY_SERVER_H
#define MORVANE_GATEWAY_GATEWAY_SERVER_H

#include <winsock2.h>
#include <windows.h>

#include <stdint.h>

#include <functional>
#include <string>

#include "gateway/gateway_log.h"
#include "gateway/quote_service.h"
#include "gateway/status_page.h"

// Binds 127.0.0.1:port for this process alone; INVALID_SOCKET with `error`
// set when it cannot. Winsock must be started.
SOCKET open_listener(uint16_t port, std::string *error);

// What the connection threads share; it outlives every one of them.
struct GatewayServer {
    uint16_t port;
    QuoteService *service;
    GatewayLog *log;
    // The status page's facts as of now.
    std::function<GatewayStatus()> status;
    // Told what each quote request got; may be empty.
    std::function<void(const ServedQuote &)> served;
};

// Answers connections on `listener` until `stop_event` is set; then closes
// the listener, stops the service and waits for every connection thread to
// end (each is bounded by its time-outs).
void serve_quotes(SOCKET listener, HANDLE stop_event, const GatewayServer &server);

#endif

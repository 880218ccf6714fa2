#include "gateway/gateway_server.h"

#include <process.h>

#include <algorithm>
#include <vector>

#include "gateway/gateway_limits.h"
#include "gateway/page_writer.h"
#include "gateway/page_request.h"

namespace {

// How often the accept loop looks at the stop event while no one connects.
const long kAcceptPollMs = 200;
// A connection thread needs little stack; 128 of them must fit a 32-bit
// process's address space with room to spare.
const unsigned kConnectionStackBytes = 256 * 1024;

struct Connection {
    SOCKET socket;
    const GatewayServer *server;
};

// The connection threads still running, each handle owned here until the
// thread has ended and been waited for.
class ConnectionThreads {
public:
    ~ConnectionThreads() {
        for (HANDLE thread : threads_) CloseHandle(thread);
    }
    size_t running() {
        forget_finished();
        return threads_.size();
    }
    void add(HANDLE thread) { threads_.push_back(thread); }
    // Waits at most `timeout_ms` in all for every thread to end.
    void wait(DWORD timeout_ms) {
        DWORD started = GetTickCount();
        DWORD elapsed = 0;
        while (running() > 0 && (elapsed = GetTickCount() - started) < timeout_ms) {
            size_t count = std::min<size_t>(threads_.size(), MAXIMUM_WAIT_OBJECTS);
            WaitForMultipleObjects(static_cast<DWORD>(count), threads_.data(), TRUE,
                                   timeout_ms - elapsed);
        }
    }

private:
    void forget_finished() {
        auto finished = std::remove_if(threads_.begin(), threads_.end(), [](HANDLE thread) {
            if (WaitForSingleObject(thread, 0) != WAIT_OBJECT_0) return false;
            CloseHandle(thread);
            return true;
        });
        threads_.erase(finished, threads_.end());
    }

    std::vector<HANDLE> threads_;
};

void set_socket_timeouts(SOCKET socket, DWORD milliseconds) {
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&milliseconds),
               sizeof(milliseconds));
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char *>(&milliseconds),
               sizeof(milliseconds));
}

void send_all(SOCKET socket, const std::string &data) {
    size_t sent = 0;
    while (sent < data.size()) {
        int result = send(socket, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (result <= 0) return;
        sent += static_cast<size_t>(result);
    }
}

// Half-closes, then reads what the client still sends, so that unread
// request bytes do not turn the close into a reset that could cut the
// answer short on the client's side. A client that keeps sending is read
// for kDrainTimeoutMs in all, each read waiting only for what is left of it.
void close_gracefully(SOCKET socket) {
    shutdown(socket, SD_SEND);
    DWORD started = GetTickCount();
    char scratch[4096];
    for (DWORD spent = 0; spent < kDrainTimeoutMs; spent = GetTickCount() - started) {
        set_socket_timeouts(socket, kDrainTimeoutMs - spent);
        if (recv(socket, scratch, sizeof(scratch), 0) <= 0) break;
    }
    closesocket(socket);
}

// Reads until the request head is complete or refused. False when the
// client left before sending a whole head.
bool receive_request(SOCKET socket, uint16_t port, PageRequestHead *head) {
    DWORD started = GetTickCount();
    std::string received;
    char chunk[2048];
    while ((*head = read_page_request(received, port)).http_status == 0) {
        int count = recv(socket, chunk, sizeof(chunk), 0);
        // A client that trickles its request would renew each read's
        // time-out for ever; the whole request has the one time-out.
        bool late = GetTickCount() - started > kClientTimeoutMs;
        if ((count == SOCKET_ERROR && WSAGetLastError() == WSAETIMEDOUT) || (count > 0 && late)) {
            head->http_status = 408;
            return true;
        }
        if (count <= 0) return false;
        received.append(chunk, static_cast<size_t>(count));
    }
    return true;
}

void answer_connection(const Connection &connection) {
    const GatewayServer &server = *connection.server;
    DWORD started = GetTickCount();
    PageRequestHead head;
    if (!receive_request(connection.socket, server.port, &head)) return;
    if (head.http_status != 200) {
        send_all(connection.socket, refusal_answer(head.http_status));
        // A 403 is a quote request in another shape than the ticker's: a web
        // page, or someone asking by hand without the proxy form.
        std::string why = head.http_status == 403 ? ": not the ticker's request" : "";
        server.log->request("-", "-", "refused " + std::to_string(head.http_status) + why,
                            GetTickCount() - started);
        return;
    }
    // The status page is not logged: reloading itself, it would soon be all
    // the requests it shows.
    if (head.kind != RequestKind::quote_page) {
        send_all(connection.socket, status_answer(head.kind, server.status()));
        return;
    }
    ServedQuote served = server.service->quote(head.symbol);
    send_all(connection.socket, served.found
                                    ? http_answer(200, quote_page(head.symbol, served.quote))
                                    : http_answer(502, no_quote_page(head.symbol, served.outcome)));
    server.log->request(head.symbol, served.source, served.outcome, GetTickCount() - started);
    if (server.served) server.served(served);
}

unsigned __stdcall connection_thread(void *argument) {
    Connection *connection = static_cast<Connection *>(argument);
    answer_connection(*connection);
    close_gracefully(connection->socket);
    delete connection;
    return 0;
}

// A connection turned away for load is still answered, and logged.
void turn_away(SOCKET client, GatewayLog &log) {
    send_all(client, refusal_answer(503));
    closesocket(client);
    log.request("-", "-",
                "refused 503: " + std::to_string(kMaxConnections) + " connections at once", 0);
}

void hand_over(SOCKET client, const GatewayServer &server, ConnectionThreads &threads) {
    // The listener is non-blocking, and so is what it accepts; the
    // connection threads want plain blocking calls bounded by time-outs.
    u_long non_blocking = 0;
    ioctlsocket(client, FIONBIO, &non_blocking);
    set_socket_timeouts(client, kClientTimeoutMs);
    if (threads.running() >= static_cast<size_t>(kMaxConnections)) {
        turn_away(client, *server.log);
        return;
    }
    Connection *connection = new Connection{client, &server};
    uintptr_t thread = _beginthreadex(nullptr, kConnectionStackBytes, connection_thread, connection,
                                      STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == 0) {
        delete connection;
        turn_away(client, *server.log);
        return;
    }
    threads.add(reinterpret_cast<HANDLE>(thread));
}

// True when a connection waits on the listener, false after `kAcceptPollMs`
// without one. select() reports the state of the backlog each time it is
// asked; an event selection reports a change once, and a signal lost to a
// reset (under Wine, by the event selection accepted sockets inherit) leaves
// connections in the backlog with no one ever woken for them.
bool connection_waiting(SOCKET listener) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval timeout = {0, kAcceptPollMs * 1000};
    return select(0, &readable, nullptr, nullptr, &timeout) == 1;
}

}  // namespace

SOCKET open_listener(uint16_t port, std::string *error) {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        *error = "Cannot create a socket (error " + std::to_string(WSAGetLastError()) + ").";
        return INVALID_SOCKET;
    }
    // No other program may take the port over while the gateway holds it.
    BOOL exclusive = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
               reinterpret_cast<const char *>(&exclusive), sizeof(exclusive));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == SOCKET_ERROR ||
        listen(listener, SOMAXCONN) == SOCKET_ERROR) {
        *error = "Port " + std::to_string(port) +
                 " on 127.0.0.1 is in use by another program; choose another with --port.";
        closesocket(listener);
        return INVALID_SOCKET;
    }
    return listener;
}

void serve_quotes(SOCKET listener, HANDLE stop_event, const GatewayServer &server) {
    // Non-blocking, so that a client gone between select() and accept()
    // cannot hold the loop.
    u_long non_blocking = 1;
    ioctlsocket(listener, FIONBIO, &non_blocking);
    ConnectionThreads threads;
    while (WaitForSingleObject(stop_event, 0) == WAIT_TIMEOUT) {
        if (!connection_waiting(listener)) continue;
        SOCKET client;
        while ((client = accept(listener, nullptr, nullptr)) != INVALID_SOCKET) {
            hand_over(client, server, threads);
        }
    }
    closesocket(listener);
    // Requests in progress end now rather than at their sources' time-out;
    // each connection thread still answers and closes its own socket.
    server.service->stop();
    threads.wait(kStopConnectionsWaitMs);
}

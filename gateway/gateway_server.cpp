#include "gateway/gateway_server.h"

#include <process.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>
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

// One accepted connection, shared by its thread and the accept loop, which
// may close it to make room while it still sends its request. Its socket is
// the thread's alone.
struct Connection {
    Connection(SOCKET socket, const GatewayServer &server) : socket(socket), server(server) {}
    const SOCKET socket;
    const GatewayServer &server;
    const DWORD accepted_at = GetTickCount();
    std::atomic<bool> reading_head{true};
    std::atomic<bool> evicted{false};

    // What is left of the connection's one deadline.
    DWORD left() const {
        DWORD spent = GetTickCount() - accepted_at;
        return spent < kConnectionDeadlineMs ? kConnectionDeadlineMs - spent : 0;
    }
};

// The connection threads still running, each handle owned here until the
// thread has ended and been waited for.
class ConnectionThreads {
public:
    ~ConnectionThreads() {
        for (const Running &running : running_) CloseHandle(running.thread);
    }
    size_t running() {
        forget_finished();
        return running_.size();
    }
    void add(HANDLE thread, std::shared_ptr<Connection> connection) {
        running_.push_back({thread, std::move(connection)});
    }
    // Tells the oldest connection still sending its request to close; false
    // when every connection has sent its own.
    bool evict_oldest_reading() {
        for (const Running &running : running_) {
            if (running.connection->reading_head && !running.connection->evicted) {
                running.connection->evicted = true;
                return true;
            }
        }
        return false;
    }
    // Waits at most `timeout_ms` in all for every thread to end.
    void wait(DWORD timeout_ms) {
        DWORD started = GetTickCount();
        DWORD elapsed = 0;
        while (running() > 0 && (elapsed = GetTickCount() - started) < timeout_ms) {
            std::vector<HANDLE> threads;
            for (const Running &running : running_) threads.push_back(running.thread);
            threads.resize(std::min<size_t>(threads.size(), MAXIMUM_WAIT_OBJECTS));
            WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE,
                                   timeout_ms - elapsed);
        }
    }

private:
    struct Running {
        HANDLE thread;
        std::shared_ptr<Connection> connection;
    };

    void forget_finished() {
        auto finished =
            std::remove_if(running_.begin(), running_.end(), [](const Running &running) {
                if (WaitForSingleObject(running.thread, 0) != WAIT_OBJECT_0) return false;
                CloseHandle(running.thread);
                return true;
            });
        running_.erase(finished, running_.end());
    }

    std::vector<Running> running_;  // oldest first
};

void set_socket_timeouts(SOCKET socket, DWORD milliseconds) {
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&milliseconds),
               sizeof(milliseconds));
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char *>(&milliseconds),
               sizeof(milliseconds));
}

// Sends within `within_ms` in all.
void send_all(SOCKET socket, const std::string &data, DWORD within_ms) {
    DWORD started = GetTickCount();
    size_t sent = 0;
    for (DWORD spent = 0; sent < data.size() && spent < within_ms;
         spent = GetTickCount() - started) {
        set_socket_timeouts(socket, within_ms - spent);
        int result = send(socket, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (result <= 0) return;
        sent += static_cast<size_t>(result);
    }
}

void send_answer(const Connection &connection, const std::string &answer) {
    send_all(connection.socket, answer, std::min<DWORD>(kClientTimeoutMs, connection.left()));
}

// Half-closes, then reads what the client still sends, so that unread
// request bytes do not turn the close into a reset that could cut the
// answer short on the client's side. A client that keeps sending is read
// for kDrainTimeoutMs in all, within the connection's deadline, each read
// waiting only for what is left.
void close_gracefully(const Connection &connection) {
    shutdown(connection.socket, SD_SEND);
    DWORD started = GetTickCount();
    DWORD drain_ms = std::min<DWORD>(kDrainTimeoutMs, connection.left());
    char scratch[4096];
    for (DWORD spent = 0; spent < drain_ms; spent = GetTickCount() - started) {
        set_socket_timeouts(connection.socket, drain_ms - spent);
        if (recv(connection.socket, scratch, sizeof(scratch), 0) <= 0) break;
    }
    closesocket(connection.socket);
}

// Waits until the socket has something to read, for at most `ms`.
bool readable_within(SOCKET socket, DWORD ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval timeout = {static_cast<long>(ms / 1000), static_cast<long>(ms % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &timeout) == 1;
}

// Reads until the request head is complete or refused, looking every
// kHeadReadSliceMs whether the connection was closed to make room. A client
// that trickles its request would renew each read's time-out for ever; the
// whole head has the one time-out. False when the client left, or was
// evicted, before sending a whole head.
bool receive_request(Connection &connection, PageRequestHead *head) {
    std::string received;
    char chunk[2048];
    const DWORD head_deadline = std::min<DWORD>(kClientTimeoutMs, connection.left());
    while ((*head = read_page_request(received, connection.server.port)).http_status == 0) {
        DWORD spent = GetTickCount() - connection.accepted_at;
        if (connection.evicted) return false;
        if (spent >= head_deadline) {
            head->http_status = 408;
            return true;
        }
        if (!readable_within(connection.socket,
                             std::min<DWORD>(kHeadReadSliceMs, head_deadline - spent))) {
            continue;
        }
        int count = recv(connection.socket, chunk, sizeof(chunk), 0);
        if (count <= 0) return false;
        received.append(chunk, static_cast<size_t>(count));
    }
    return true;
}

void answer_connection(Connection &connection) {
    const GatewayServer &server = connection.server;
    PageRequestHead head;
    bool whole_head = receive_request(connection, &head);
    connection.reading_head = false;
    if (!whole_head) {
        if (connection.evicted) {
            server.log->request(
                "-", "-",
                "closed to make room: " + std::to_string(kMaxConnections) + " connections at once",
                GetTickCount() - connection.accepted_at);
        }
        return;
    }
    if (head.http_status != 200) {
        send_answer(connection, refusal_answer(head.http_status));
        // A 403 is a quote request in another shape than the ticker's: a web
        // page, or someone asking by hand without the proxy form.
        std::string why = head.http_status == 403 ? ": not the ticker's request" : "";
        server.log->request("-", "-", "refused " + std::to_string(head.http_status) + why,
                            GetTickCount() - connection.accepted_at);
        return;
    }
    // The status page is not logged: reloading itself, it would soon be all
    // the requests it shows.
    if (head.kind != RequestKind::quote_page) {
        send_answer(connection, status_answer(head.kind, server.status()));
        return;
    }
    ServedQuote served = server.service->quote(head.symbol);
    send_answer(connection, served.found
                                ? http_answer(200, quote_page(head.symbol, served.quote))
                                : http_answer(502, no_quote_page(head.symbol, served.outcome)));
    server.log->request(head.symbol, served.source, served.outcome,
                        GetTickCount() - connection.accepted_at);
    if (server.served) server.served(served);
}

unsigned __stdcall connection_thread(void *argument) {
    std::unique_ptr<std::shared_ptr<Connection>> handed_over(
        static_cast<std::shared_ptr<Connection> *>(argument));
    Connection &connection = **handed_over;
    answer_connection(connection);
    close_gracefully(connection);
    return 0;
}

// A connection turned away for load is still answered, and logged.
void turn_away(SOCKET client, GatewayLog &log) {
    send_all(client, refusal_answer(503), kClientTimeoutMs);
    closesocket(client);
    log.request("-", "-",
                "refused 503: " + std::to_string(kMaxConnections) + " connections at once", 0);
}

void hand_over(SOCKET client, const GatewayServer &server, ConnectionThreads &threads) {
    // The listener is non-blocking, and so is what it accepts; the
    // connection threads want plain blocking calls bounded by time-outs.
    u_long non_blocking = 0;
    ioctlsocket(client, FIONBIO, &non_blocking);
    // One that has not sent its request yet makes room within a slice.
    if (threads.running() >= static_cast<size_t>(kMaxConnections) &&
        !threads.evict_oldest_reading()) {
        turn_away(client, *server.log);
        return;
    }
    auto connection = std::make_shared<Connection>(client, server);
    auto *handed_over = new std::shared_ptr<Connection>(connection);
    uintptr_t thread = _beginthreadex(nullptr, kConnectionStackBytes, connection_thread,
                                      handed_over, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == 0) {
        delete handed_over;
        turn_away(client, *server.log);
        return;
    }
    threads.add(reinterpret_cast<HANDLE>(thread), std::move(connection));
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

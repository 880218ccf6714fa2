#include "gateway/gateway_server.h"

#include <process.h>

#include "gateway/page_writer.h"
#include "gateway/quote_request.h"

namespace {

// A client gets this long to send its whole request, and to take the answer.
const DWORD kClientTimeoutMs = 5000;
// Connections served at once; more are turned away with a 503.
const LONG kMaxConnections = 64;
const DWORD kDrainTimeoutMs = 1000;
const DWORD kShutdownGraceMs = 2000;

struct Connection {
    SOCKET socket;
    QuoteService *service;
    GatewayLog *log;
};

volatile LONG g_active_connections = 0;

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
// answer short on the client's side.
void close_gracefully(SOCKET socket) {
    shutdown(socket, SD_SEND);
    set_socket_timeouts(socket, kDrainTimeoutMs);
    char scratch[4096];
    for (int rounds = 0; rounds < 16 && recv(socket, scratch, sizeof(scratch), 0) > 0; ++rounds) {
    }
    closesocket(socket);
}

// Reads until the request head is complete or refused. False when the
// client left before sending a whole head.
bool receive_request(SOCKET socket, QuoteRequestHead *head) {
    DWORD started = GetTickCount();
    std::string received;
    char chunk[2048];
    while ((*head = read_quote_request(received)).status == 0) {
        int count = recv(socket, chunk, sizeof(chunk), 0);
        // A client that trickles its request would renew each read's
        // time-out for ever; the whole request has the one time-out.
        bool late = GetTickCount() - started > kClientTimeoutMs;
        if ((count == SOCKET_ERROR && WSAGetLastError() == WSAETIMEDOUT) || (count > 0 && late)) {
            head->status = 408;
            return true;
        }
        if (count <= 0) return false;
        received.append(chunk, static_cast<size_t>(count));
    }
    return true;
}

void answer_connection(const Connection &connection) {
    DWORD started = GetTickCount();
    QuoteRequestHead head;
    if (!receive_request(connection.socket, &head)) return;
    if (head.status != 200) {
        send_all(connection.socket, refusal_answer(head.status));
        connection.log->request("-", "-", "refused " + std::to_string(head.status),
                                GetTickCount() - started);
        return;
    }
    ServedQuote served = connection.service->quote(head.symbol);
    send_all(connection.socket,
             served.found ? http_answer(200, quote_page(head.symbol, served.quote))
                          : http_answer(502, no_quote_page(head.symbol, served.outcome)));
    connection.log->request(head.symbol, served.source, served.outcome, GetTickCount() - started);
}

unsigned __stdcall connection_thread(void *argument) {
    Connection *connection = static_cast<Connection *>(argument);
    answer_connection(*connection);
    close_gracefully(connection->socket);
    delete connection;
    InterlockedDecrement(&g_active_connections);
    return 0;
}

// Accepted sockets inherit the listener's event selection, which makes
// them non-blocking; the connection threads want plain blocking calls.
void make_blocking(SOCKET socket) {
    WSAEventSelect(socket, nullptr, 0);
    u_long non_blocking = 0;
    ioctlsocket(socket, FIONBIO, &non_blocking);
}

void hand_over(SOCKET client, QuoteService &service, GatewayLog &log) {
    make_blocking(client);
    set_socket_timeouts(client, kClientTimeoutMs);
    if (InterlockedIncrement(&g_active_connections) > kMaxConnections) {
        InterlockedDecrement(&g_active_connections);
        send_all(client, refusal_answer(503));
        closesocket(client);
        return;
    }
    Connection *connection = new Connection{client, &service, &log};
    uintptr_t thread = _beginthreadex(nullptr, 0, connection_thread, connection, 0, nullptr);
    if (thread == 0) {
        delete connection;
        InterlockedDecrement(&g_active_connections);
        closesocket(client);
        return;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
}

void wait_for_connections() {
    DWORD started = GetTickCount();
    while (g_active_connections > 0 && GetTickCount() - started < kShutdownGraceMs) {
        Sleep(20);
    }
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
    setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char *>(&exclusive),
               sizeof(exclusive));
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

void serve_quotes(SOCKET listener, HANDLE stop_event, QuoteService &service, GatewayLog &log) {
    HANDLE accept_event = WSACreateEvent();
    WSAEventSelect(listener, accept_event, FD_ACCEPT);
    HANDLE waits[2] = {stop_event, accept_event};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        WSAResetEvent(accept_event);
        SOCKET client;
        while ((client = accept(listener, nullptr, nullptr)) != INVALID_SOCKET) {
            hand_over(client, service, log);
        }
    }
    closesocket(listener);
    WSACloseEvent(accept_event);
    wait_for_connections();
}

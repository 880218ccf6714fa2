#include "support/loopback.h"

namespace mqtest {

namespace {

void start_winsock() {
    static bool started = [] {
        WSADATA winsock;
        return WSAStartup(MAKEWORD(2, 2), &winsock) == 0;
    }();
    (void)started;
}

sockaddr_in ipv4_address(unsigned long address, DWORD port) {
    sockaddr_in result = {};
    result.sin_family = AF_INET;
    result.sin_port = htons(static_cast<u_short>(port));
    result.sin_addr.s_addr = address;
    return result;
}

}  // namespace

SOCKET connect_to(const char *address, DWORD port) {
    start_winsock();
    SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in target = ipv4_address(inet_addr(address), port);
    if (connect(client, reinterpret_cast<sockaddr *>(&target), sizeof(target)) != 0) {
        closesocket(client);
        return INVALID_SOCKET;
    }
    return client;
}

bool loopback_listens(DWORD port) {
    SOCKET client = connect_to("127.0.0.1", port);
    if (client == INVALID_SOCKET) return false;
    closesocket(client);
    return true;
}

DWORD free_loopback_port() {
    start_winsock();
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = ipv4_address(htonl(INADDR_LOOPBACK), 0);
    bind(probe, reinterpret_cast<sockaddr *>(&address), sizeof(address));
    int size = sizeof(address);
    getsockname(probe, reinterpret_cast<sockaddr *>(&address), &size);
    closesocket(probe);
    return ntohs(address.sin_port);
}

}  // namespace mqtest

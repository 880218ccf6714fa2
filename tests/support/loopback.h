// Plain TCP on the loopback address, for the tests and benchmarks that check
// what listens there. Winsock is started on first use and stays started.
#ifndef MORVANE_TESTS_SUPPORT_LOOPBACK_H
#define MORVANE_TESTS_SUPPORT_LOOPBACK_H

#include <winsock2.h>
#include <windows.h>

namespace mqtest {

// A connected socket to address:port, or INVALID_SOCKET when nothing accepts.
SOCKET connect_to(const char *address, DWORD port);

// True when something accepts connections on 127.0.0.1:port.
bool loopback_listens(DWORD port);

// A port of 127.0.0.1 that nothing listens on now.
DWORD free_loopback_port();

}  // namespace mqtest

#endif

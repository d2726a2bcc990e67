// A loopback port nobody listens on, for tests of an unreachable directory server, and binding a
// socket to a loopback port the system chooses.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ridge_test {

// Binds sock to a free loopback port; the port.
inline int bindAnyLoopbackPort(int sock) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// Bound to find a free port, then released: connecting to it is refused (barring a race with
// another process taking it meanwhile).
inline int unusedLoopbackPort() {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    const int port = bindAnyLoopbackPort(sock);
    close(sock);
    return port;
}

}  // namespace ridge_test

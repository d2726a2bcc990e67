// A loopback port that forwards to the directory server until told to swallow: from then on new
// connections are accepted and never answered (connections made before keep being forwarded).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "UnusedPort.h"

namespace ridge_test {

class StallingProxy {
public:
    explicit StallingProxy(int target) : m_target(target) {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        m_port = bindAnyLoopbackPort(m_listener);
        listen(m_listener, 16);
        m_acceptor = std::thread([this] { Accept(); });
    }
    ~StallingProxy() {
        m_stop = true;
        shutdown(m_listener, SHUT_RDWR);
        close(m_listener);
        m_acceptor.join();
        for (std::thread& pump : m_pumps) {
            pump.join();
        }
        for (int fd : m_swallowed) {
            close(fd);
        }
    }
    int Port() const { return m_port; }
    void Swallow() { m_swallow = true; }
    // Connections accepted and left unanswered so far.
    int Swallowed() const { return m_swallowedCount.load(); }

private:
    void Accept() {
        while (!m_stop) {
            const int client = accept(m_listener, nullptr, nullptr);
            if (client < 0) {
                return;
            }
            if (m_swallow) {
                m_swallowed.push_back(client);
                ++m_swallowedCount;
                continue;
            }
            const int server = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(static_cast<uint16_t>(m_target));
            connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address);
            m_pumps.emplace_back([this, client, server] { Pump(client, server); });
        }
    }
    void Pump(int a, int b) {
        pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
        char buffer[16384];
        while (!m_stop && poll(fds, 2, 200) >= 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                    const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                    if (n <= 0 || write(fds[1 - i].fd, buffer, n) != n) {
                        close(a);
                        close(b);
                        return;
                    }
                }
            }
        }
        close(a);
        close(b);
    }

    int m_target;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_swallow{false};
    std::thread m_acceptor;
    std::vector<std::thread> m_pumps;
    std::vector<int> m_swallowed;
    std::atomic<int> m_swallowedCount{0};
};

}  // namespace ridge_test

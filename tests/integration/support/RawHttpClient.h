// A client that sends exact bytes to a loopback port and reads what comes back, for tests of
// how the gateway frames, bounds and times HTTP.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

class RawHttpClient {
public:
    explicit RawHttpClient(int port) {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawHttpClient() { close(m_fd); }
    RawHttpClient(const RawHttpClient&) = delete;
    RawHttpClient& operator=(const RawHttpClient&) = delete;

    bool connected() const { return m_connected; }

    // False once the server has closed or reset the connection.
    bool send(const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    // One whole response (header and Content-Length body) within the time; "" when none came.
    std::string response(std::chrono::milliseconds within = std::chrono::seconds(5)) {
        auto deadline = std::chrono::steady_clock::now() + within;
        for (;;) {
            std::size_t end = m_pending.find("\r\n\r\n");
            if (end != std::string::npos) {
                std::size_t total = end + 4 + contentLength(m_pending.substr(0, end));
                if (m_pending.size() >= total) {
                    std::string one = m_pending.substr(0, total);
                    m_pending.erase(0, total);
                    return one;
                }
            }
            if (!readSome(deadline)) {
                return "";
            }
        }
    }

    // Whether the server closes the connection within the time (unread data discarded).
    bool closedWithin(std::chrono::milliseconds within) {
        auto deadline = std::chrono::steady_clock::now() + within;
        while (readSome(deadline)) {
        }
        return m_closed;
    }

private:
    static std::size_t contentLength(const std::string& head) {
        std::size_t at = head.find("\r\nContent-Length: ");
        return at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + 18, nullptr, 10);
    }

    bool readSome(std::chrono::steady_clock::time_point deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{m_fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buffer[8192];
        ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            m_closed = true;
            return false;
        }
        m_pending.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    int m_fd = -1;
    bool m_connected = false;
    bool m_closed = false;
    std::string m_pending;
};

// The status of a response's first line; 0 when there is none.
inline int statusOf(const std::string& response) {
    return response.size() > 12 ? std::atoi(response.c_str() + 9) : 0;
}

// The body after the header.
inline std::string bodyOf(const std::string& response) {
    std::size_t end = response.find("\r\n\r\n");
    return end == std::string::npos ? "" : response.substr(end + 4);
}

#pragma once
// The server side of one TCP connection on 127.0.0.1, on plain blocking sockets, for tests of clients.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace dorvane::test {

class Peer {
public:
    Peer() {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(m_listen, 8), 0);
        socklen_t length = sizeof address;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~Peer() {
        Close();
        ::close(m_listen);
    }
    int Port() const { return m_port; }
    // The client connected already, so the connection waits in the backlog.
    bool Accept() {
        m_fd = ::accept(m_listen, nullptr, nullptr);
        return m_fd >= 0;
    }
    bool Send(const std::string& data) {
        return ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(data.size());
    }
    // Sends what fits without waiting: the bytes sent, 0 while the line is full, -1 once it is gone.
    long SendSome(const std::string& data) {
        const ssize_t sent = ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) return static_cast<long>(sent);
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
    std::string Receive(size_t count) {
        std::string data;
        char buffer[4096];
        while (data.size() < count) {
            ssize_t n = ::recv(m_fd, buffer, std::min(sizeof buffer, count - data.size()), 0);
            if (n <= 0) break;
            data.append(buffer, static_cast<size_t>(n));
        }
        return data;
    }
    // Also wakes a Receive waiting on another thread.
    void Close() {
        if (m_fd >= 0) ::shutdown(m_fd, SHUT_RDWR), ::close(m_fd);
        m_fd = -1;
    }
    // Vanishes with a TCP reset, as a crashed server would.
    void Reset() {
        linger option{1, 0};
        setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &option, sizeof option);
        Close();
    }
    int Fd() const { return m_fd; }

private:
    int m_listen = -1;
    int m_fd = -1;
    int m_port = 0;
};

}  // namespace dorvane::test

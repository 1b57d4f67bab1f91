#include "net/TcpClient.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "core/Failures.h"

namespace dorvane {

namespace {

// Closes the descriptor when the last user lets go, so a Send in progress or the receive thread never
// works on a number that was closed and handed out again.
struct Socket {
    explicit Socket(int descriptor) : fd(descriptor) {}
    ~Socket() { ::close(fd); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    const int fd;
};

bool SetBlocking(int fd, bool blocking) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(fd, F_SETFL, flags) == 0;
}

// Connects to one resolved address within the time limit; the descriptor or -1.
int ConnectOne(const addrinfo& address, int timeoutMs) {
    int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0) return -1;
    if (!SetBlocking(fd, false)) {
        ::close(fd);
        return -1;
    }
    int rc = ::connect(fd, address.ai_addr, address.ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
        pollfd waiter{fd, POLLOUT, 0};
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            int ready = ::poll(&waiter, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 1) {
                int error = 0;
                socklen_t length = sizeof error;
                if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) rc = 0;
            }
            break;
        }
    }
    if (rc != 0 || !SetBlocking(fd, true)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

// One connection: what the receive thread needs, kept alive by the thread itself, so a client destroyed
// from inside its own handler does not pull the handler away from under the running call.
struct TcpConnection {
    std::shared_ptr<Socket> socket;
    TcpHandler handler;
    std::atomic<bool> cancelled{false};  // Disconnect was called: no further event
    std::atomic<bool> closed{false};
    std::mutex sendMutex;  // keeps the bytes of concurrent sends from interleaving
};

struct TcpClient::Impl {
    std::mutex mutex;
    std::shared_ptr<TcpConnection> connection;
    std::thread receiver;
};

namespace {

void ReceiveLoop(const std::shared_ptr<TcpConnection>& connection) {
    const int fd = connection->socket->fd;
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        ssize_t received = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR) continue;
        if (received <= 0) break;
        if (connection->cancelled.load()) break;
        try {
            connection->handler(TcpData, Text(buffer.data(), static_cast<size_t>(received)));
        } catch (...) {
            // A handler's failure must not take the receive thread (and the process) down.
            ReportUnhandled("connection handler");
        }
    }
    connection->closed.store(true);
    if (!connection->cancelled.exchange(true)) {
        try {
            connection->handler(TcpClosed, Text());
        } catch (...) {
            ReportUnhandled("connection handler");
        }
    }
}

}  // namespace

TcpClient::TcpClient() : m_impl(std::make_shared<Impl>()) {}

TcpClient::~TcpClient() { Disconnect(); }

bool TcpClient::Connect(const Text& host, int port, TcpHandler handler, int timeoutMs) {
    Disconnect();
    if (port < 0 || port > 65535 || host.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) return false;
    int fd = -1;
    for (addrinfo* address = found; address && fd < 0; address = address->ai_next)
        fd = ConnectOne(*address, timeoutMs);
    freeaddrinfo(found);
    if (fd < 0) return false;

    auto connection = std::make_shared<TcpConnection>();
    connection->socket = std::make_shared<Socket>(fd);
    connection->handler = handler ? std::move(handler) : [](int, const Text&) {};
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    if (m_impl->connection || m_impl->receiver.joinable()) {
        // Another thread connected this client at the same moment; its connection stays.
        ::shutdown(fd, SHUT_RDWR);
        return false;
    }
    m_impl->connection = connection;
    try {
        m_impl->receiver = std::thread([connection] { ReceiveLoop(connection); });
    } catch (...) {
        m_impl->connection.reset();
        return false;
    }
    return true;
}

bool TcpClient::Send(const Text& data) {
    std::shared_ptr<TcpConnection> connection;
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        connection = m_impl->connection;
    }
    if (!connection || connection->closed.load() || connection->cancelled.load()) return false;
    std::lock_guard<std::mutex> sending(connection->sendMutex);
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(connection->socket->fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void TcpClient::Disconnect() {
    std::shared_ptr<TcpConnection> connection;
    std::thread receiver;
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        connection = std::move(m_impl->connection);
        receiver = std::move(m_impl->receiver);
    }
    if (connection) {
        connection->cancelled.store(true);
        // Wakes the receive thread (and any blocked send); the descriptor closes with its last user.
        ::shutdown(connection->socket->fd, SHUT_RDWR);
    }
    if (receiver.joinable()) {
        if (receiver.get_id() == std::this_thread::get_id()) {
            receiver.detach();  // called from the handler: the thread ends when the handler returns
        } else {
            receiver.join();
        }
    }
}

bool TcpClient::Connected() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->connection && !m_impl->connection->closed.load() && !m_impl->connection->cancelled.load();
}

}  // namespace dorvane

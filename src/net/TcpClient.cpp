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
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
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

// Writes all the bytes before the deadline. Waiting happens in poll, so a peer that stops reading costs
// only the time left; the descriptor stays blocking for the receive thread.
enum class WriteResult { Done, TimedOut, Failed };

WriteResult WriteBefore(int fd, const Text& data, std::chrono::steady_clock::time_point deadline) {
    size_t sent = 0;
    while (sent < data.size()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return WriteResult::TimedOut;
        pollfd waiter{fd, POLLOUT, 0};
        const int ready = ::poll(&waiter, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (waiter.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return WriteResult::Failed;
        if (ready == 0) continue;  // the deadline is checked at the top
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) return WriteResult::Failed;
        sent += static_cast<size_t>(n);
    }
    return WriteResult::Done;
}

}  // namespace

// One connection: what the client's threads need, kept alive by the threads themselves, so a client
// destroyed from inside its own handler does not pull the handler away from under the running call.
struct TcpConnection {
    std::shared_ptr<Socket> socket;
    TcpHandler handler;
    int sendTimeoutMs = 0;
    std::atomic<bool> cancelled{false};  // Disconnect was called: no further event
    std::atomic<bool> closed{false};
    std::atomic<bool> sendTimedOut{false};

    // The send queue; sends leave it whole and in order, so concurrent senders never interleave.
    std::mutex sendMutex;
    std::condition_variable sendChanged;
    std::deque<Text> outgoing;
    size_t queuedBytes = 0;  // including the message being written

    bool Ended() const { return cancelled.load() || closed.load(); }
    void WakeSender() {
        std::lock_guard<std::mutex> lock(sendMutex);
        sendChanged.notify_all();
    }
};

struct TcpClient::Impl {
    explicit Impl(int timeout) : sendTimeoutMs(timeout) {}
    const int sendTimeoutMs;
    mutable std::mutex mutex;
    std::shared_ptr<TcpConnection> connection;
    std::thread receiver;
    std::thread sender;
};

namespace {

void Deliver(TcpConnection& connection, int kind, const Text& data) {
    try {
        connection.handler(kind, data);
    } catch (...) {
        // A handler's failure must not take the receive thread (and the process) down.
        ReportUnhandled("connection handler");
    }
}

void ReceiveLoop(const std::shared_ptr<TcpConnection>& connection) {
    const int fd = connection->socket->fd;
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        ssize_t received = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR) continue;
        if (received <= 0) break;
        if (connection->cancelled.load()) break;
        Deliver(*connection, TcpData, Text(buffer.data(), static_cast<size_t>(received)));
    }
    connection->closed.store(true);
    connection->WakeSender();
    if (connection->sendTimedOut.load() && !connection->cancelled.load())
        Deliver(*connection, TcpSendTimedOut, Text());
    if (!connection->cancelled.exchange(true)) Deliver(*connection, TcpClosed, Text());
}

// Takes the next message off the queue; empty once the connection has ended.
std::optional<Text> NextToSend(TcpConnection& connection) {
    std::unique_lock<std::mutex> lock(connection.sendMutex);
    connection.sendChanged.wait(lock, [&] { return connection.Ended() || !connection.outgoing.empty(); });
    if (connection.Ended()) return std::nullopt;
    Text next = std::move(connection.outgoing.front());
    connection.outgoing.pop_front();
    return next;
}

void SendLoop(const std::shared_ptr<TcpConnection>& connection) {
    while (std::optional<Text> message = NextToSend(*connection)) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(connection->sendTimeoutMs);
        const WriteResult result = WriteBefore(connection->socket->fd, *message, deadline);
        {
            std::lock_guard<std::mutex> lock(connection->sendMutex);
            connection->queuedBytes -= message->size();
        }
        if (result == WriteResult::Done) continue;
        // The receive thread learns of the end from the shut socket and reports it, after the time-out.
        if (result == WriteResult::TimedOut) connection->sendTimedOut.store(true);
        ::shutdown(connection->socket->fd, SHUT_RDWR);
        return;
    }
}

void JoinOrDetach(std::thread& thread) {
    if (!thread.joinable()) return;
    if (thread.get_id() == std::this_thread::get_id()) {
        thread.detach();  // called from the handler: the thread ends when the handler returns
    } else {
        thread.join();
    }
}

}  // namespace

TcpClient::TcpClient(int sendTimeoutMs) : m_impl(std::make_shared<Impl>(sendTimeoutMs)) {}

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
    connection->sendTimeoutMs = m_impl->sendTimeoutMs;
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    if (m_impl->connection || m_impl->receiver.joinable() || m_impl->sender.joinable()) {
        // Another thread connected this client at the same moment; its connection stays.
        ::shutdown(fd, SHUT_RDWR);
        return false;
    }
    try {
        m_impl->sender = std::thread([connection] { SendLoop(connection); });
        m_impl->receiver = std::thread([connection] { ReceiveLoop(connection); });
    } catch (...) {
        connection->cancelled.store(true);
        connection->WakeSender();
        ::shutdown(fd, SHUT_RDWR);
        if (m_impl->sender.joinable()) m_impl->sender.join();
        return false;
    }
    m_impl->connection = connection;
    return true;
}

bool TcpClient::Send(const Text& data) {
    std::shared_ptr<TcpConnection> connection;
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        connection = m_impl->connection;
    }
    if (!connection || connection->Ended()) return false;
    {
        std::lock_guard<std::mutex> lock(connection->sendMutex);
        if (data.size() > kMaxQueuedBytes - connection->queuedBytes) return false;
        connection->outgoing.push_back(data);
        connection->queuedBytes += data.size();
    }
    connection->sendChanged.notify_all();
    return true;
}

void TcpClient::Disconnect() {
    std::shared_ptr<TcpConnection> connection;
    std::thread receiver;
    std::thread sender;
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        connection = std::move(m_impl->connection);
        receiver = std::move(m_impl->receiver);
        sender = std::move(m_impl->sender);
    }
    if (connection) {
        connection->cancelled.store(true);
        connection->WakeSender();
        // Wakes the receive thread and a send waiting in poll; the descriptor closes with its last user.
        ::shutdown(connection->socket->fd, SHUT_RDWR);
    }
    JoinOrDetach(sender);
    JoinOrDetach(receiver);
}

bool TcpClient::Connected() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->connection && !m_impl->connection->Ended();
}

}  // namespace dorvane

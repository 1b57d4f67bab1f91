#include "support/LatencyProxy.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <deque>
#include <utility>

namespace dorvane::test {

namespace {

using Clock = std::chrono::steady_clock;

// One read; big enough that a 200 KB image crosses in a handful of chunks.
constexpr size_t kReadSize = 256 * 1024;
// Held bytes per direction beyond which the relay stops reading, so a sender that outpaces its receiver
// is held back by TCP instead of filling memory.
constexpr size_t kMaxHeldBytes = 32u * 1024 * 1024;

struct Chunk {
    enum class Kind { Data, End, Reset };
    Kind kind = Kind::Data;
    Clock::time_point due;
    std::string bytes;
    size_t sent = 0;
};

void NoDelay(int fd) {
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

timespec ToTimespec(Clock::duration duration) {
    if (duration < Clock::duration::zero()) duration = Clock::duration::zero();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(duration - seconds);
    timespec result{};
    result.tv_sec = static_cast<time_t>(seconds.count());
    result.tv_nsec = static_cast<long>(nanoseconds.count());
    return result;
}

// Carries one direction of a connection: reads from `from` as soon as bytes arrive and writes each chunk
// to `to` once its time has come. Ends when the end of the stream was passed on, when either side failed,
// or when the wake descriptor turns readable (the proxy stops). Nothing from `from` goes out before
// notBefore + delay.
void Relay(int from, int to, int wakeFd, Clock::duration delay, Clock::time_point notBefore) {
    std::deque<Chunk> held;
    size_t heldBytes = 0;
    bool reading = true;
    std::string buffer(kReadSize, '\0');
    for (;;) {
        const Clock::time_point now = Clock::now();
        const bool headDue = !held.empty() && held.front().due <= now;
        if (headDue && held.front().kind != Chunk::Kind::Data) {
            // The sender's end of the stream (or its failure) reaches the receiver after the same delay.
            if (held.front().kind == Chunk::Kind::End) {
                shutdown(to, SHUT_WR);
            } else {
                shutdown(to, SHUT_RDWR);
                shutdown(from, SHUT_RDWR);
            }
            return;
        }

        pollfd fds[3] = {{wakeFd, POLLIN, 0},
                         {reading && heldBytes < kMaxHeldBytes ? from : -1, POLLIN, 0},
                         {headDue ? to : -1, POLLOUT, 0}};
        timespec timeout{};
        const timespec* wait = nullptr;
        if (!held.empty() && !headDue) {
            timeout = ToTimespec(held.front().due - now);
            wait = &timeout;
        }
        const int ready = ppoll(fds, 3, wait, nullptr);
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        if (fds[0].revents != 0) return;

        if (fds[1].revents != 0) {
            const ssize_t n = recv(from, buffer.data(), buffer.size(), MSG_DONTWAIT);
            const Clock::time_point readAt = std::max(Clock::now(), notBefore);
            if (n > 0) {
                held.push_back(
                    {Chunk::Kind::Data, readAt + delay, buffer.substr(0, static_cast<size_t>(n)), 0});
                heldBytes += static_cast<size_t>(n);
            } else if (n == 0) {
                held.push_back({Chunk::Kind::End, readAt + delay, {}, 0});
                reading = false;
            } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                held.push_back({Chunk::Kind::Reset, readAt + delay, {}, 0});
                reading = false;
            }
        }

        if (fds[2].revents != 0) {
            // Everything that is due goes out now, in order, as far as the receiver takes it.
            while (!held.empty() && held.front().kind == Chunk::Kind::Data &&
                   held.front().due <= Clock::now()) {
                Chunk& head = held.front();
                const ssize_t n = send(to, head.bytes.data() + head.sent, head.bytes.size() - head.sent,
                                       MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0) {
                    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
                    // The receiver is gone: let the sender know too, so the other direction ends as well.
                    shutdown(from, SHUT_RDWR);
                    shutdown(to, SHUT_RDWR);
                    return;
                }
                head.sent += static_cast<size_t>(n);
                if (head.sent < head.bytes.size()) break;
                heldBytes -= head.bytes.size();
                held.pop_front();
            }
        }
    }
}

}  // namespace

struct LatencyProxy::Connection {
    int client = -1;
    int server = -1;
    std::thread upstream;
    std::thread downstream;
    std::atomic<int> running{2};

    void Shutdown() const {
        shutdown(client, SHUT_RDWR);
        shutdown(server, SHUT_RDWR);
    }
    ~Connection() {
        if (upstream.joinable()) upstream.join();
        if (downstream.joinable()) downstream.join();
        if (client >= 0) close(client);
        if (server >= 0) close(server);
    }
};

LatencyProxy::LatencyProxy(std::string targetHost, int targetPort, std::chrono::milliseconds oneWayDelay,
                           bool chargeHandshake)
    : m_targetHost(std::move(targetHost)),
      m_targetPort(targetPort),
      m_delay(oneWayDelay),
      m_chargeHandshake(chargeHandshake) {}

LatencyProxy::~LatencyProxy() { Stop(); }

std::string LatencyProxy::Host() const { return "127.0.0.1:" + std::to_string(m_port); }

bool LatencyProxy::Start() {
    if (m_acceptor.joinable()) return true;
    m_listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    m_wakeFd = eventfd(0, EFD_CLOEXEC);
    if (m_listenFd < 0 || m_wakeFd < 0) {
        Stop();
        return false;
    }
    int on = 1;
    setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listenFd, 128) != 0 ||
        getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        Stop();
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
    return true;
}

void LatencyProxy::Stop() {
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
    }
    if (m_acceptor.joinable()) m_acceptor.join();
    {
        std::lock_guard lock(m_mutex);
        // The wake descriptor ends every relay loop; shutting the sockets down also tells both peers.
        for (const auto& connection : m_connections) connection->Shutdown();
        m_connections.clear();
    }
    if (m_listenFd >= 0) close(m_listenFd);
    if (m_wakeFd >= 0) close(m_wakeFd);
    m_listenFd = -1;
    m_wakeFd = -1;
}

int LatencyProxy::ConnectTarget() const {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(m_targetHost.c_str(), std::to_string(m_targetPort).c_str(), &hints, &found) != 0)
        return -1;
    int fd = -1;
    for (const addrinfo* entry = found; entry && fd < 0; entry = entry->ai_next) {
        fd = socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol);
        if (fd >= 0 && connect(fd, entry->ai_addr, entry->ai_addrlen) != 0) {
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
}

void LatencyProxy::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_listenFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[0].revents != 0) return;
        if (fds[1].revents == 0) continue;
        const int client = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        const Clock::time_point acceptedAt = Clock::now();
        ++m_connectionCount;
        ReapFinished();

        auto connection = std::make_unique<Connection>();
        connection->client = client;
        connection->server = ConnectTarget();
        if (connection->server < 0) continue;  // the client sees its connection close
        NoDelay(connection->client);
        NoDelay(connection->server);

        // The client's handshake took no time here; on a real link it takes a round trip before the
        // first byte can leave.
        const Clock::time_point clientMaySend = m_chargeHandshake ? acceptedAt + 2 * m_delay : acceptedAt;
        Connection* relayed = connection.get();
        const auto run = [relayed, wake = m_wakeFd, delay = Clock::duration(m_delay)](
                             int from, int to, Clock::time_point notBefore) {
            Relay(from, to, wake, delay, notBefore);
            --relayed->running;
        };
        connection->upstream = std::thread(run, relayed->client, relayed->server, clientMaySend);
        connection->downstream = std::thread(run, relayed->server, relayed->client, acceptedAt);
        std::lock_guard lock(m_mutex);
        m_connections.push_back(std::move(connection));
    }
}

void LatencyProxy::ReapFinished() {
    std::lock_guard lock(m_mutex);
    m_connections.remove_if(
        [](const std::unique_ptr<Connection>& connection) { return connection->running.load() == 0; });
}

}  // namespace dorvane::test

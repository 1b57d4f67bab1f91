#include "support/HostileCatalogue.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace dorvane::test {

namespace {

// Rows of a list piece: "[n]" and a GBK text, CR LF ended, to about `size` bytes.
std::string ListPiece(size_t& rowNumber, size_t size) {
    std::string piece;
    while (piece.size() < size) {
        piece += '[';
        piece += std::to_string(++rowNumber);
        piece += "]\xcd\xbc\xb0\xfc ";  // "图包" in GBK
        piece += std::string(40, 'x');
        piece += "\r\n";
    }
    return piece;
}

}  // namespace

size_t HostileCatalogue::DefaultFloodBytes() {
    const char* megabytes = std::getenv("DORVANE_FLOOD_MB");
    const long long parsed = megabytes ? std::atoll(megabytes) : 0;
    return static_cast<size_t>(parsed > 0 ? parsed : 32) << 20;
}

HostileCatalogue::HostileCatalogue(Options options) : m_options(std::move(options)) {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // A small receive buffer (inherited by the connection) makes a peer that stops reading felt at once.
    const int small = 4096;
    if (m_options.behaviour == Behaviour::LongRowThenDeaf)
        setsockopt(m_listen, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen, 4) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

HostileCatalogue::~HostileCatalogue() {
    m_stopping = true;
    ::shutdown(m_listen, SHUT_RDWR);
    const int fd = m_fd.load();
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
    if (m_thread.joinable()) m_thread.join();
    if (m_fd.load() >= 0) ::close(m_fd.load());
    ::close(m_listen);
}

bool HostileCatalogue::SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size() && !m_stopping) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
        m_sent += static_cast<size_t>(n);
    }
    return sent == bytes.size();
}

void HostileCatalogue::Flood(int fd) {
    if (!SendAll(fd, "$xtml$")) return;
    size_t row = 0;
    while (m_sent.load() < m_options.floodBytes && !m_stopping) {
        if (!SendAll(fd, ListPiece(row, 64 * 1024))) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void HostileCatalogue::Serve() {
    const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    m_fd = fd;
    if (m_stopping) ::shutdown(fd, SHUT_RDWR);
    char greeting[4096];
    if (::recv(fd, greeting, sizeof greeting, 0) <= 0) return;
    if (m_options.behaviour == Behaviour::EndlessList) {
        Flood(fd);
    } else {
        std::string list = m_options.listTag + "[1]";
        list += std::string(m_options.rowBytes, 'r');
        // An address reply without address ends the list at once and changes nothing.
        list += "\r\n$gmxr$";
        if (!SendAll(fd, list)) return;
    }
    // Holds the line open, reading nothing, until the server goes away.
    pollfd waiter{fd, 0, 0};
    while (!m_stopping) ::poll(&waiter, 1, 100);
}

}  // namespace dorvane::test

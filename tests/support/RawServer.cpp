#include "support/RawServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace dorvane::test {

namespace {

constexpr size_t kMaxHeader = 1 << 20;

// Reads up to the end of the header block; false when the peer went away first.
bool ReadHeader(int fd, std::string& data, size_t& headerEnd) {
    char buffer[4096];
    for (;;) {
        size_t end = data.find("\r\n\r\n");
        if (end != std::string::npos) {
            headerEnd = end + 4;
            return true;
        }
        if (data.size() > kMaxHeader) return false;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.append(buffer, static_cast<size_t>(n));
    }
}

RawRequest ParseHeader(const std::string& header) {
    RawRequest request;
    size_t pos = 0;
    bool first = true;
    while (pos < header.size()) {
        size_t end = header.find("\r\n", pos);
        if (end == std::string::npos || end == pos) break;
        std::string line = header.substr(pos, end - pos);
        pos = end + 2;
        if (first) {
            first = false;
            request.requestLine = line;
            size_t space = line.find(' ');
            request.method = line.substr(0, space);
            if (space != std::string::npos) {
                size_t second = line.find(' ', space + 1);
                request.target = line.substr(
                    space + 1, second == std::string::npos ? std::string::npos : second - space - 1);
            }
            continue;
        }
        request.headerLines.push_back(line);
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        request.headers.emplace_back(line.substr(0, colon), value);
    }
    return request;
}

}  // namespace

bool RawConnection::Write(std::string_view bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool RawConnection::Respond(const std::string& statusLine, const std::vector<std::string>& headerLines,
                            const std::string& body) {
    std::string answer = statusLine + "\r\n";
    for (const auto& line : headerLines) answer += line + "\r\n";
    answer += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    answer += body;
    return Write(answer);
}

void RawConnection::Reset() {
    linger option{1, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &option, sizeof option);
    m_reset = true;  // closing now sends RST instead of FIN
}

void RawConnection::Stall(std::chrono::milliseconds limit) { m_server.WaitStopping(limit); }

RawServer::RawServer(Handler handler) : m_handler(std::move(handler)) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 64) != 0) {
        std::abort();  // a test machine without a loopback interface cannot run these tests
    }
    socklen_t length = sizeof address;
    getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

RawServer::~RawServer() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        for (int fd : m_openFds) ::shutdown(fd, SHUT_RDWR);
    }
    m_stopped.notify_all();
    ::shutdown(m_listenFd, SHUT_RDWR);
    m_acceptor.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        workers.swap(m_workers);
    }
    for (auto& worker : workers) worker.join();
    ::close(m_listenFd);
}

std::string RawServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<RawRequest> RawServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

RawRequest RawServer::LastRequest() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.empty() ? RawRequest{} : m_requests.back();
}

bool RawServer::WaitStopping(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_stopped.wait_for(lock, limit, [this] { return m_stopping.load(); });
}

void RawServer::AcceptLoop() {
    for (;;) {
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping) {
            ::close(fd);
            return;
        }
        ++m_connections;
        m_openFds.push_back(fd);
        m_workers.emplace_back([this, fd] { Serve(fd); });
    }
}

void RawServer::Serve(int fd) {
    std::string data;
    size_t headerEnd = 0;
    bool reset = false;
    if (ReadHeader(fd, data, headerEnd)) {
        RawRequest request = ParseHeader(data.substr(0, headerEnd));
        request.body = data.substr(headerEnd);
        size_t expected = 0;
        for (const auto& [name, value] : request.headers) {
            if (strcasecmp(name.c_str(), "Content-Length") == 0)
                expected = std::strtoull(value.c_str(), nullptr, 10);
        }
        char buffer[8192];
        while (request.body.size() < expected) {
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            request.body.append(buffer, static_cast<size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(request);
        }
        RawConnection connection(*this, fd);
        m_handler(request, connection);
        reset = connection.WasReset();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openFds.erase(std::remove(m_openFds.begin(), m_openFds.end(), fd), m_openFds.end());
    if (!reset) ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

}  // namespace dorvane::test

#include "demo/CatalogueServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <string>

#include "core/Text.h"

namespace dorvane::demo {

namespace {

struct Series {
    const char* category;  // server tag of its category list
    const char* download;  // server tag of its download lists
    const char* address;   // server tag of its address replies
    const char* ask;       // client tag that opens one of its categories
    const char* fetch;     // client tag that asks for an address
    const char* name;
};

constexpr Series kSeries[] = {
    {"$m1xr$", "$zmxr$", "$gmxr$", "%cxxr%", "%gmxr%", "秀人"},
    {"$m1cs$", "$zmcs$", "$gmcs$", "%cxcs%", "%gmcs%", "COSPLAY"},
    {"$mlsz$", "$zmsz$", "$gmsz$", "%cxsz%", "%gmsz%", "丝足"},
    {"$mlqt$", "$zmqt$", "$gmqt$", "%cxqt%", "%gmqt%", "其他套图"},
    {"$mlsg$", "$zmsg$", "$gmsg$", "%cxsg%", "%gmsg%", "无圣光"},
};

bool SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string Between(const std::string& text, const std::string& left, const std::string& right) {
    const size_t start = text.find(left);
    if (start == std::string::npos) return {};
    const size_t end = text.find(right, start + left.size());
    return end == std::string::npos ? std::string()
                                    : text.substr(start + left.size(), end - start - left.size());
}

// "[key]" + the parts + CR LF, appended to the lines. (Built by appending: GCC 12 misreads long chains
// of string temporaries at -O3.)
void AddLine(std::string& lines, const std::string& key, std::initializer_list<std::string> parts) {
    lines += '[';
    lines += key;
    lines += ']';
    for (const std::string& part : parts) lines += part;
    lines += "\r\n";
}

std::string TopLevel() {
    std::string lines;
    for (size_t i = 0; i < std::size(kSeries); ++i)
        AddLine(lines, std::to_string(i + 1), {kSeries[i].name, " 系列合集"});
    return Gbk("$xtml$") + Gbk(lines.c_str());
}

// The answer to one client message; empty when there is none.
std::string Answer(const std::string& message) {
    const std::string top = Gbk("%m1dk%");
    if (message.rfind(top, 0) == 0) {
        const int key = std::max(1, std::min(5, std::atoi(message.c_str() + top.size())));
        const Series& series = kSeries[key - 1];
        std::string lines;
        for (int c = 1; c <= 4; ++c)
            AddLine(lines, std::to_string(key * 10 + c), {series.name, " 分类 ", std::to_string(c)});
        std::string reply = series.category;
        reply += Gbk(lines.c_str());
        return reply;
    }
    for (const Series& series : kSeries) {
        if (message.rfind(series.ask, 0) == 0) {
            const std::string key = message.substr(6);
            std::string lines;
            for (int p = 1; p <= 6; ++p)
                AddLine(lines, key + "-" + std::to_string(p),
                        {series.name, " 图包 第", std::to_string(p), "期"});
            std::string reply = series.download;
            reply += Gbk(lines.c_str());
            return reply;
        }
        if (message.rfind(series.fetch, 0) == 0) {
            const std::string pack = Between(message, "[", "]");
            std::string reply = series.address;
            reply += "https://pan.dorvane.example/s/";
            reply += pack.empty() ? std::string("pack") : pack;
            return reply;
        }
    }
    return {};
}

}  // namespace

CatalogueServer::~CatalogueServer() { Stop(); }

bool CatalogueServer::Start(int port) {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0) return false;
    const int yes = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t length = sizeof address;
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen, 16) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(m_listen);
        m_listen = -1;
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
    return true;
}

void CatalogueServer::Stop() {
    if (m_stopping.exchange(true)) return;
    if (m_listen >= 0) ::shutdown(m_listen, SHUT_RDWR);
    {
        std::lock_guard lock(m_mutex);
        for (int fd : m_clients) ::shutdown(fd, SHUT_RDWR);
    }
    if (m_acceptor.joinable()) m_acceptor.join();
    for (std::thread& worker : m_workers) worker.join();
    if (m_listen >= 0) ::close(m_listen);
    m_listen = -1;
}

void CatalogueServer::AcceptLoop() {
    while (!m_stopping) {
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (m_stopping) return;
            continue;
        }
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            ::close(fd);
            return;
        }
        m_clients.push_back(fd);
        m_workers.emplace_back([this, fd] { Serve(fd); });
    }
}

void CatalogueServer::Serve(int fd) {
    char buffer[4096];
    bool greeted = false;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        // Each read is one message: the catalogue sends one request per user action.
        const std::string message(buffer, static_cast<size_t>(n));
        std::string reply;
        if (!greeted) {
            greeted = true;
            reply = Gbk("$xtgg$欢迎使用 Dorvane 演示图包目录：双击一行打开它，所有地址都是示例");
            if (!SendAll(fd, reply)) break;
            // Far apart enough to arrive as messages of their own, as a real server's would.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            reply = TopLevel();
        } else {
            reply = Answer(message);
        }
        if (!reply.empty() && !SendAll(fd, reply)) break;
    }
    std::lock_guard lock(m_mutex);
    std::erase(m_clients, fd);
    ::close(fd);
}

}  // namespace dorvane::demo

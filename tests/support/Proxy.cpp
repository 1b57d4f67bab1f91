#include "support/Proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/TestCertificate.h"

namespace dorvane::test {

namespace {

// A port that was free a moment ago (the proxy binds it by itself).
int FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int port = -1;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool Accepts(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

bool TinyProxy::Available() { return access(kProgram, X_OK) == 0; }

TinyProxy::TinyProxy(const std::string& user, const std::string& password) {
    if (!Available()) return;
    m_folder = MakeTempFolder("dorvane-proxy");
    m_port = FreePort();
    if (m_folder.empty() || m_port <= 0) return;
    std::string config = m_folder + "/tinyproxy.conf";
    {
        std::ofstream out(config);
        out << "Port " << m_port << "\n"
            << "Listen 127.0.0.1\n"
            << "Timeout 30\n"
            << "MaxClients 50\n"
            << "Allow 127.0.0.1\n"
            << "LogLevel Critical\n"
            << "LogFile \"" << m_folder << "/tinyproxy.log\"\n";
        if (geteuid() == 0) out << "User root\nGroup root\n";
        if (!user.empty()) out << "BasicAuth " << user << " " << password << "\n";
    }
    m_pid = fork();
    if (m_pid == 0) {
        // The child: quiet, in the foreground, with this configuration only.
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execl(kProgram, kProgram, "-d", "-c", config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (m_pid < 0) return;
    for (int attempt = 0; attempt < 200 && !m_running; ++attempt) {
        if (Accepts(m_port)) {
            m_running = true;
            break;
        }
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

TinyProxy::~TinyProxy() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    RemoveFolder(m_folder);
}

std::string TinyProxy::Address() const { return "127.0.0.1:" + std::to_string(m_port); }

}  // namespace dorvane::test

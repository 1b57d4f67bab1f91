#include "support/LocalServer.h"

#include <strings.h>

#include <chrono>

#include "net/CurlTransfer.h"
#include "support/TestCertificate.h"

namespace dorvane::test {

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return {};
}

size_t RecordedRequest::HeaderCount(const std::string& name) const {
    size_t count = 0;
    for (const auto& header : headers) count += strcasecmp(header.first.c_str(), name.c_str()) == 0 ? 1 : 0;
    return count;
}

LocalServer::LocalServer(Scheme scheme) : m_scheme(scheme) {
    if (scheme == Scheme::Https) {
        m_certificateDir = MakeTempFolder("dorvane-tls");
        CertificateFiles files = MakeSelfSignedCertificate(m_certificateDir);
        m_server = std::make_unique<httplib::SSLServer>(files.certificatePath.c_str(), files.keyPath.c_str());
    } else {
        m_server = std::make_unique<httplib::Server>();
    }
    // Recorded before the response goes out, so a client that got its answer finds the request logged.
    m_server->set_post_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        RecordedRequest recorded{req.method, req.target, {req.headers.begin(), req.headers.end()}, req.body};
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(std::move(recorded));
    });
}

LocalServer::~LocalServer() {
    Stop();
    RemoveFolder(m_certificateDir);
}

bool LocalServer::Start() {
    if (!m_server->is_valid()) return false;
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0) return false;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // Connections queue on the bound socket already; waiting for the loop keeps Stop() from racing it.
    while (!m_server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void LocalServer::Stop() {
    // A connection the test's thread keeps for reuse would hold a server thread for its whole keep-alive
    // time-out.
    CloseThreadConnections();
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

std::string LocalServer::Url(const std::string& path) const {
    return std::string(m_scheme == Scheme::Https ? "https" : "http") +
           "://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<RecordedRequest> LocalServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

RecordedRequest LocalServer::LastRequest() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.empty() ? RecordedRequest{} : m_requests.back();
}

size_t LocalServer::RequestCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.size();
}

}  // namespace dorvane::test

#pragma once
// A cpp-httplib server on 127.0.0.1 with a port of its own, for tests that need real HTTP or HTTPS.
//
//   LocalServer server;
//   server.Http().Get("/page", [](const httplib::Request&, httplib::Response& res) { ... });
//   server.Start();
//   HttpFetch(server.Url("/page"));
//
// Routes are registered before Start(). Every request the server answered is kept in a log (headers as
// httplib hands them over: sorted by name, duplicates kept; use RawServer for the exact order on the wire).
#include <httplib.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace dorvane::test {

struct RecordedRequest {
    std::string method;
    std::string target;  // path and query as requested
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first value of a header (name compared without case), empty when absent.
    std::string Header(const std::string& name) const;
    size_t HeaderCount(const std::string& name) const;
};

class LocalServer {
public:
    enum class Scheme { Http, Https };
    explicit LocalServer(Scheme scheme = Scheme::Http);
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    httplib::Server& Http() { return *m_server; }
    // Binds 127.0.0.1 on a free port and serves on a thread of its own; false when that failed.
    bool Start();
    void Stop();

    int Port() const { return m_port; }
    // "http://127.0.0.1:<port>" (or https) followed by the path.
    std::string Url(const std::string& path = "/") const;

    std::vector<RecordedRequest> Requests() const;
    RecordedRequest LastRequest() const;
    size_t RequestCount() const;

private:
    Scheme m_scheme;
    std::string m_certificateDir;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
    mutable std::mutex m_mutex;
    std::vector<RecordedRequest> m_requests;
};

}  // namespace dorvane::test

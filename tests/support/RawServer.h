#pragma once
// A small HTTP server on raw sockets for what cpp-httplib cannot show or do: the request headers in the
// exact order and spelling they came over the wire, and misbehaving answers (stalls, resets, garbage,
// bodies that stop half way). Each connection carries one request; the handler writes the raw answer.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace dorvane::test {

struct RawRequest {
    std::string requestLine;  // "GET /path HTTP/1.1"
    std::string method;
    std::string target;
    std::vector<std::pair<std::string, std::string>> headers;  // in wire order, values without leading blanks
    std::vector<std::string> headerLines;                      // the lines exactly as received
    std::string body;
};

class RawServer;

class RawConnection {
public:
    RawConnection(RawServer& server, int fd) : m_server(server), m_fd(fd) {}
    // Writes all bytes; false when the peer is gone.
    bool Write(std::string_view bytes);
    // A complete answer with Content-Length and "Connection: close".
    bool Respond(const std::string& statusLine, const std::vector<std::string>& headerLines,
                 const std::string& body);
    // Drops the connection with a TCP reset.
    void Reset();
    // Sleeps until the server shuts down or the time is up (a stalling server).
    void Stall(std::chrono::milliseconds limit = std::chrono::seconds(60));
    bool WasReset() const { return m_reset; }

private:
    RawServer& m_server;
    int m_fd;
    bool m_reset = false;
};

class RawServer {
public:
    using Handler = std::function<void(const RawRequest&, RawConnection&)>;
    explicit RawServer(Handler handler);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path = "/") const;
    std::vector<RawRequest> Requests() const;
    RawRequest LastRequest() const;
    // Connections accepted so far, including those that sent no complete request.
    int ConnectionCount() const { return m_connections.load(); }

private:
    friend class RawConnection;
    void AcceptLoop();
    void Serve(int fd);
    bool WaitStopping(std::chrono::milliseconds limit);

    Handler m_handler;
    int m_listenFd = -1;
    int m_port = -1;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;
    std::vector<RawRequest> m_requests;
    std::vector<int> m_openFds;
    std::vector<std::thread> m_workers;
    std::thread m_acceptor;
};

}  // namespace dorvane::test

#pragma once
// A TCP relay on 127.0.0.1 that makes a local server look far away: every chunk is held for a fixed time
// in each direction before it is passed on, so a round trip costs what it would on a real link while the
// bytes still flow at loopback speed (a chunk read at time t goes out at t + delay, whatever is queued
// before it). Plain TCP, nothing is parsed, so HTTPS passes through as it is.
//
//   LocalServer server;  ... server.Start();
//   LatencyProxy proxy("127.0.0.1", server.Port(), std::chrono::milliseconds(20));  // 40 ms round trip
//   proxy.Start();
//   HttpObjectFetch("http://" + proxy.Host() + "/page");
//
// The kernel completes the client's TCP handshake at once, which on a real link takes a round trip. With
// chargeHandshake (the default) the proxy makes up for it: nothing the client sends on a new connection
// goes on before that round trip has passed, so a fresh connection costs one round trip more than a
// reused one, as it would over the wire. Slow start, loss and bandwidth limits are not modelled.
#include <atomic>
#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace dorvane::test {

class LatencyProxy {
public:
    LatencyProxy(std::string targetHost, int targetPort, std::chrono::milliseconds oneWayDelay,
                 bool chargeHandshake = true);
    ~LatencyProxy();
    LatencyProxy(const LatencyProxy&) = delete;
    LatencyProxy& operator=(const LatencyProxy&) = delete;

    // Listens on a free port of 127.0.0.1 and relays on threads of its own; false when that failed.
    bool Start();
    // Closes the listening socket and every relayed connection, and waits for all threads to leave.
    void Stop();

    int Port() const { return m_port; }
    // "127.0.0.1:<port>", the form the program's host settings take.
    std::string Host() const;
    // Connections accepted so far.
    int ConnectionCount() const { return m_connectionCount.load(); }

private:
    struct Connection;

    void AcceptLoop();
    // Joins and frees the connections whose both directions have ended.
    void ReapFinished();
    int ConnectTarget() const;

    std::string m_targetHost;
    int m_targetPort;
    std::chrono::milliseconds m_delay;
    bool m_chargeHandshake;
    int m_listenFd = -1;
    // Readable once Stop() was called; every relay thread polls it.
    int m_wakeFd = -1;
    int m_port = -1;
    std::atomic<int> m_connectionCount{0};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::list<std::unique_ptr<Connection>> m_connections;
};

}  // namespace dorvane::test

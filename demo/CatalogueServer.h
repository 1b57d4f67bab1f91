#pragma once
// A small catalogue server for the demo: greets, announces, and answers the catalogue's requests with a
// top level of five series, one category list per series and one download list per category, and an
// address for every pack.
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace dorvane::demo {

class CatalogueServer {
public:
    CatalogueServer() = default;
    ~CatalogueServer();
    CatalogueServer(const CatalogueServer&) = delete;
    CatalogueServer& operator=(const CatalogueServer&) = delete;

    // Listens on 127.0.0.1 (port 0: any free port); false when it cannot.
    bool Start(int port = 0);
    void Stop();
    int Port() const { return m_port; }

private:
    void AcceptLoop();
    void Serve(int fd);

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<int> m_clients;
    std::vector<std::thread> m_workers;
};

}  // namespace dorvane::demo

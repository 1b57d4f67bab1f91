// Successive requests from one thread reuse an open connection (and TLS session); a server that closes
// after each answer is still served; threads never share a connection; a stopped transfer's connection
// is not reused. Connections are told apart by the client port the server saw.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "core/Worker.h"
#include "net/HttpFetch.h"
#include "net/HttpObjectFetch.h"
#include "net/PlainDownload.h"
#include "support/LocalServer.h"

namespace dorvane::test {
namespace {

std::set<std::string> ClientPorts(const LocalServer& server) {
    std::set<std::string> ports;
    for (const auto& request : server.Requests()) ports.insert(request.Header("REMOTE_PORT"));
    return ports;
}

class ConnectionReuse : public ::testing::TestWithParam<LocalServer::Scheme> {
protected:
    void SetUp() override {
        server.Http().Get("/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html>page</html>", "text/html");
        });
        server.Http().Get("/closing", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Connection", "close");
            res.set_content("bytes", "image/jpeg");
        });
        server.Http().Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("image/jpeg", [this](size_t, httplib::DataSink& sink) {
                if (!sink.write("x", 1)) return false;
                slowStarted = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return !stopServing.load();
            });
        });
        server.Http().set_keep_alive_max_count(100);
        ASSERT_TRUE(server.Start());
    }
    void TearDown() override { stopServing = true; }

    LocalServer server{GetParam()};
    std::atomic<bool> slowStarted{false};
    std::atomic<bool> stopServing{false};
};

TEST_P(ConnectionReuse, TenFetchesOneConnection) {
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(HttpObjectFetch(server.Url("/page")), "<html>page</html>");
        EXPECT_EQ(HttpFetch(server.Url("/page")), "<html>page</html>");
    }
    EXPECT_EQ(server.RequestCount(), 10u);
    EXPECT_EQ(ClientPorts(server).size(), 1u);
}

TEST_P(ConnectionReuse, AServerThatClosesIsStillServed) {
    for (int i = 0; i < 10; ++i) EXPECT_EQ(HttpObjectFetch(server.Url("/closing")), "bytes") << i;
    EXPECT_EQ(ClientPorts(server).size(), 10u);
    // And the next fetch after a closed one opens a fresh connection without a failure.
    EXPECT_EQ(PlainDownload(server.Url("/page")), "<html>page</html>");
}

TEST_P(ConnectionReuse, ThreadsNeverShareAConnection) {
    std::set<std::string> ports[2];
    std::thread threads[2];
    for (int t = 0; t < 2; ++t) {
        threads[t] = std::thread([&, t] {
            for (int i = 0; i < 10; ++i) {
                int status = 0;
                HttpObjectFetch(server.Url("/page?t=" + std::to_string(t)), HttpMethod::Get, {}, std::nullopt,
                                {}, {}, {}, status);
                EXPECT_EQ(status, 200);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& request : server.Requests()) {
        ports[request.target.back() == '0' ? 0 : 1].insert(request.Header("REMOTE_PORT"));
    }
    for (const std::string& port : ports[0]) EXPECT_EQ(ports[1].count(port), 0u) << port;
}

TEST_P(ConnectionReuse, AStoppedTransfersConnectionIsNotReused) {
    auto token = std::make_shared<WorkerToken>(1);
    std::thread stopper([&] {
        while (!slowStarted) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        token->RequestStop();
    });
    {
        WorkerScope scope(token);
        EXPECT_EQ(HttpObjectFetch(server.Url("/page")), "<html>page</html>");
        EXPECT_EQ(HttpObjectFetch(server.Url("/slow")), "");
    }
    stopper.join();
    EXPECT_EQ(HttpObjectFetch(server.Url("/page")), "<html>page</html>");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Header("REMOTE_PORT"), requests[1].Header("REMOTE_PORT"));
    EXPECT_NE(requests[2].Header("REMOTE_PORT"), requests[1].Header("REMOTE_PORT"));
}

INSTANTIATE_TEST_SUITE_P(Schemes, ConnectionReuse,
                         ::testing::Values(LocalServer::Scheme::Http, LocalServer::Scheme::Https),
                         [](const auto& info) {
                             return info.param == LocalServer::Scheme::Http ? "Http" : "Https";
                         });

}  // namespace
}  // namespace dorvane::test

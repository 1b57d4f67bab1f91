// The latency proxy the benches put between the program and a local server: bytes pass unchanged both
// ways (plain and TLS), a request and its answer take at least the configured round trip, a fresh
// connection pays for its handshake, and Stop() ends connections that are still open.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <random>
#include <string>

#include "net/CurlTransfer.h"
#include "net/HttpFetch.h"
#include "net/HttpObjectFetch.h"
#include "support/LatencyProxy.h"
#include "support/LocalServer.h"

namespace dorvane::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kOneWay{30};

std::string RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

class LatencyProxyTest : public ::testing::TestWithParam<LocalServer::Scheme> {
protected:
    void SetUp() override {
        server.Http().Get("/blob", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(blob, "application/octet-stream");
        });
        // Answers with the body it got, reversed, so an echo of stale or reordered bytes cannot pass.
        server.Http().Post("/reverse", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(req.body.rbegin(), req.body.rend()), "application/octet-stream");
        });
        server.Http().Get("/ping", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("pong", "text/plain");
        });
        server.Http().set_keep_alive_max_count(100);
        server.Http().set_tcp_nodelay(true);
        ASSERT_TRUE(server.Start());
        proxy = std::make_unique<LatencyProxy>("127.0.0.1", server.Port(), kOneWay);
        ASSERT_TRUE(proxy->Start());
    }
    void TearDown() override {
        CloseThreadConnections();
        if (proxy) proxy->Stop();
    }

    std::string Url(const std::string& path) const {
        const char* scheme = GetParam() == LocalServer::Scheme::Https ? "https://" : "http://";
        return scheme + proxy->Host() + path;
    }

    const std::string blob = RandomBytes(3 * 1024 * 1024 + 17, 7);
    LocalServer server{GetParam()};
    std::unique_ptr<LatencyProxy> proxy;
};

TEST_P(LatencyProxyTest, BytesPassUnchangedBothWays) {
    // Compared as a whole, so a failure does not print megabytes of bytes.
    EXPECT_TRUE(HttpObjectFetch(Url("/blob")) == blob);

    const std::string upload = RandomBytes(2 * 1024 * 1024 + 5, 11);
    int status = 0;
    // Not the form type a POST gets by default: the server caps form bodies at 8 KB.
    Text headers = "Content-Type: application/octet-stream";
    const Bytes answer = HttpObjectFetch(Url("/reverse"), HttpMethod::Post, {}, std::nullopt, {},
                                         Out<Text>(headers), {}, status, false, upload);
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(answer == std::string(upload.rbegin(), upload.rend())) << answer.size() << " bytes";
    EXPECT_TRUE(server.LastRequest().body == upload) << server.LastRequest().body.size() << " bytes";
    // Both exchanges went over the one connection the thread keeps.
    EXPECT_EQ(proxy->ConnectionCount(), 1);
}

TEST_P(LatencyProxyTest, ExchangesTakeAtLeastTheRoundTrip) {
    const milliseconds roundTrip = 2 * kOneWay;
    // A fresh connection: the TCP handshake, TLS's own round trip where it applies, then the request.
    auto start = Clock::now();
    ASSERT_EQ(HttpObjectFetch(Url("/ping")), "pong");
    const int handshakes = GetParam() == LocalServer::Scheme::Https ? 3 : 2;
    EXPECT_GE(Since(start), handshakes * roundTrip);

    // The same connection again: one round trip per exchange.
    for (int i = 0; i < 3; ++i) {
        start = Clock::now();
        ASSERT_EQ(HttpObjectFetch(Url("/ping")), "pong");
        EXPECT_GE(Since(start), roundTrip) << i;
    }
    EXPECT_EQ(proxy->ConnectionCount(), 1);
}

TEST_P(LatencyProxyTest, StopEndsOpenConnections) {
    ASSERT_EQ(HttpObjectFetch(Url("/ping")), "pong");
    // A raw connection that never sends anything stays open at both ends until the proxy stops.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(proxy->Port()));
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    proxy->Stop();
    char byte = 0;
    EXPECT_LE(recv(fd, &byte, 1, 0), 0);
    close(fd);
    // Nothing listens any more; the thread's kept connection is gone, so the fetch fails.
    EXPECT_TRUE(HttpObjectFetch(Url("/ping")).empty());
}

INSTANTIATE_TEST_SUITE_P(Schemes, LatencyProxyTest,
                         ::testing::Values(LocalServer::Scheme::Http, LocalServer::Scheme::Https),
                         [](const auto& info) {
                             return info.param == LocalServer::Scheme::Https ? "Https" : "Http";
                         });

}  // namespace
}  // namespace dorvane::test

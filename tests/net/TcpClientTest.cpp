#include "net/TcpClient.h"

#include "support/TcpPeer.h"
#include "support/UnresolvableHost.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace dorvane {
namespace {

using test::Peer;
using test::UnresolvableHost;

constexpr auto kPatience = std::chrono::seconds(20);

// Events as the handler saw them, with a wait for a condition on them.
class EventLog {
public:
    TcpHandler Handler() {
        return [this](int kind, const Text& data) { Add(kind, data); };
    }
    void Add(int kind, const Text& data) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (kind == TcpData) m_data += data;
        if (kind == TcpClosed) ++m_closed;
        if (kind == TcpSendTimedOut) m_order += 'T';
        if (kind == TcpClosed) m_order += 'C';
        ++m_events;
        m_changed.notify_all();
    }
    template <typename Predicate>
    bool WaitFor(Predicate predicate) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return predicate(m_data, m_closed); });
    }
    std::string Data() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_data;
    }
    int Closed() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_closed;
    }
    int Events() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    // The send time-outs and closings in order: "T" and "C".
    std::string Order() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_order;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_data;
    int m_closed = 0;
    int m_events = 0;
    std::string m_order;
};

TEST(TcpClientTest, DataBothWaysThenOneClosedEventWhenThePeerCloses) {
    Peer peer;
    EventLog log;
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), log.Handler()));
    ASSERT_TRUE(peer.Accept());
    EXPECT_TRUE(client.Connected());
    const std::string greeting = std::string("\xbb\xb6\xd3\xad", 4) + "hello\0x";  // GBK text and a zero byte
    ASSERT_TRUE(peer.Send(greeting));
    EXPECT_TRUE(log.WaitFor([&](const std::string& data, int) { return data == greeting; }));
    EXPECT_TRUE(client.Send("ping"));
    EXPECT_EQ(peer.Receive(4), "ping");
    peer.Close();
    EXPECT_TRUE(log.WaitFor([](const std::string&, int closed) { return closed == 1; }));
    EXPECT_FALSE(client.Connected());
    EXPECT_FALSE(client.Send("after close"));
    client.Disconnect();
    EXPECT_EQ(log.Closed(), 1);
}

TEST(TcpClientTest, AHandlerThatThrowsIsReportedAndTheConnectionGoesOn) {
    Peer peer;
    EventLog log;
    TcpClient client;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), [&](int kind, const Text& data) {
        log.Add(kind, data);
        throw std::runtime_error(kind == TcpData ? "bad data" : "bad close");
    }));
    ASSERT_TRUE(peer.Accept());
    ASSERT_TRUE(peer.Send("one"));
    EXPECT_TRUE(log.WaitFor([](const std::string& data, int) { return data == "one"; }));
    ASSERT_TRUE(peer.Send("two"));
    EXPECT_TRUE(log.WaitFor([](const std::string& data, int) { return data == "onetwo"; }));
    peer.Close();
    EXPECT_TRUE(log.WaitFor([](const std::string&, int closed) { return closed == 1; }));
    client.Disconnect();
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reported,
              "dorvane: connection handler failed: bad data\n"
              "dorvane: connection handler failed: bad data\n"
              "dorvane: connection handler failed: bad close\n");
}

TEST(TcpClientTest, ConnectFailsCleanly) {
    int closedPort = 0;
    {
        Peer gone;
        closedPort = gone.Port();
    }
    const struct {
        const char* name;
        std::string host;
        int port;
    } cases[] = {
        {"port below range", "127.0.0.1", -1},
        {"port above range", "127.0.0.1", 65536},
        {"empty host", "", 80},
        {"unresolvable host", UnresolvableHost(), 29404},
        {"nobody listens", "127.0.0.1", closedPort},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EventLog log;
        TcpClient client;
        EXPECT_FALSE(client.Connect(c.host, c.port, log.Handler()));
        EXPECT_FALSE(client.Connected());
        EXPECT_FALSE(client.Send("x"));
        EXPECT_EQ(log.Events(), 0);
    }
}

TEST(TcpClientTest, NoEventAfterDisconnectReturnsAndTheClientConnectsAgain) {
    Peer peer;
    EventLog log;
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), log.Handler()));
    ASSERT_TRUE(peer.Accept());
    std::atomic<bool> streaming{true};
    // Never blocked in the kernel: a full line is waited out here, so the end of streaming always ends it.
    std::thread sender([&] {
        const std::string chunk(512, 'd');
        while (streaming.load()) {
            const long sent = peer.SendSome(chunk);
            if (sent < 0) break;
            if (sent == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    EXPECT_TRUE(log.WaitFor([](const std::string& data, int) { return data.size() > 4096; }));
    client.Disconnect();
    int events = log.Events();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // give a stray event the chance to show
    streaming = false;
    sender.join();
    EXPECT_EQ(log.Events(), events);
    EXPECT_EQ(log.Closed(), 0);  // closing our own side is not reported
    EXPECT_FALSE(client.Send("x"));

    Peer second;
    EventLog secondLog;
    ASSERT_TRUE(client.Connect("127.0.0.1", second.Port(), secondLog.Handler()));
    ASSERT_TRUE(second.Accept());
    EXPECT_TRUE(client.Send("again"));
    EXPECT_EQ(second.Receive(5), "again");
    client.Disconnect();  // before secondLog, which the handler writes to, goes away
}

TEST(TcpClientTest, PeerVanishingWithAResetIsAClosedConnection) {
    Peer peer;
    EventLog log;
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), log.Handler()));
    ASSERT_TRUE(peer.Accept());
    ASSERT_TRUE(peer.Send("last words"));
    EXPECT_TRUE(log.WaitFor([](const std::string& data, int) { return data == "last words"; }));
    peer.Reset();
    EXPECT_TRUE(log.WaitFor([](const std::string&, int closed) { return closed == 1; }));
    EXPECT_FALSE(client.Send("anyone there?"));
}

TEST(TcpClientTest, DestroyedWhileDataKeepsArriving) {
    Peer peer;
    EventLog log;
    auto client = std::make_unique<TcpClient>();
    ASSERT_TRUE(client->Connect("127.0.0.1", peer.Port(), log.Handler()));
    ASSERT_TRUE(peer.Accept());
    std::atomic<bool> streaming{true};
    std::thread sender([&] {
        while (streaming.load() && peer.Send(std::string(1024, 's'))) {
        }
    });
    EXPECT_TRUE(log.WaitFor([](const std::string& data, int) { return !data.empty(); }));
    client.reset();
    streaming = false;
    sender.join();
    EXPECT_EQ(log.Closed(), 0);
}

TEST(TcpClientTest, HandlerMayDisconnectOrDestroyItsOwnClient) {
    for (bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroy" : "disconnect");
        Peer peer;
        auto client = std::make_shared<std::unique_ptr<TcpClient>>(std::make_unique<TcpClient>());
        std::mutex mutex;
        std::condition_variable done;
        bool handled = false;
        int events = 0;
        ASSERT_TRUE((*client)->Connect("127.0.0.1", peer.Port(), [&, client, destroy](int, const Text&) {
            std::lock_guard<std::mutex> lock(mutex);
            ++events;
            if (handled) return;
            if (destroy) {
                client->reset();
            } else {
                (*client)->Disconnect();
            }
            handled = true;
            done.notify_all();
        }));
        ASSERT_TRUE(peer.Accept());
        ASSERT_TRUE(peer.Send("first"));
        {
            std::unique_lock<std::mutex> lock(mutex);
            ASSERT_TRUE(done.wait_for(lock, kPatience, [&] { return handled; }));
        }
        peer.Send("second");  // may fail: the client closed its side
        peer.Close();
        if (!destroy) {
            EXPECT_FALSE((*client)->Connected());
            client->reset();
        }
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(events, 1);
    }
}

TEST(TcpClientTest, ConcurrentSendsKeepEachMessageWhole) {
    Peer peer;
    EventLog log;
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), log.Handler()));
    ASSERT_TRUE(peer.Accept());
    constexpr int kMessages = 500;
    constexpr size_t kLength = 1000;
    std::vector<std::thread> senders;
    for (char letter : {'A', 'B'}) {
        senders.emplace_back([&client, letter] {
            for (int i = 0; i < kMessages; ++i) EXPECT_TRUE(client.Send(std::string(kLength, letter)));
        });
    }
    std::string received = peer.Receive(2 * kMessages * kLength);
    for (auto& sender : senders) sender.join();
    ASSERT_EQ(received.size(), 2 * kMessages * kLength);
    for (size_t at = 0; at < received.size(); at += kLength) {
        ASSERT_EQ(received.substr(at, kLength), std::string(kLength, received[at])) << "message at " << at;
    }
}

TEST(TcpClientTest, ASendThatCannotGoOutTimesOutAndClosesTheConnection) {
    Peer peer;
    EventLog log;
    TcpClient client(200);
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), log.Handler()));
    ASSERT_TRUE(peer.Accept());
    // The peer reads nothing and keeps its receive buffer small.
    const int small = 4096;
    setsockopt(peer.Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    // More than the queue holds is refused at once; what fits is queued and the call returns.
    EXPECT_FALSE(client.Send(std::string(TcpClient::kMaxQueuedBytes + 1, 'q')));
    EXPECT_TRUE(client.Send(std::string(TcpClient::kMaxQueuedBytes, 'q')));
    EXPECT_TRUE(log.WaitFor([](const std::string&, int closed) { return closed == 1; }));
    EXPECT_EQ(log.Order(), "TC");
    EXPECT_FALSE(client.Connected());
    EXPECT_FALSE(client.Send("after the time-out"));
}

}  // namespace
}  // namespace dorvane

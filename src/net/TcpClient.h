#pragma once
// A TCP client with a receive thread and a send thread of its own. Events are delivered on the receive
// thread: kind 1 with the bytes received; kind 2 when a send did not finish in time (the connection is then
// closed); kind 0 once when the connection has closed.
#include <cstddef>
#include <functional>
#include <memory>

#include "core/Text.h"

namespace dorvane {

enum TcpEventKind : int { TcpClosed = 0, TcpData = 1, TcpSendTimedOut = 2 };
using TcpHandler = std::function<void(int kind, const Text& data)>;

class TcpClient {
public:
    static constexpr int kDefaultSendTimeoutMs = 10000;
    // Bytes waiting to be sent at most: a peer that stops reading cannot make the queue grow without end.
    static constexpr size_t kMaxQueuedBytes = 16u << 20;

    // A send that has not gone out completely sendTimeoutMs after it began closes the connection.
    explicit TcpClient(int sendTimeoutMs = kDefaultSendTimeoutMs);
    ~TcpClient();  // disconnects and waits for the client's threads
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Host name or dotted address; true when connected. Each resolved address gets timeoutMs to answer.
    bool Connect(const Text& host, int port, TcpHandler handler, int timeoutMs = 10000);
    // Queues the bytes for the send thread and returns at once, so that a peer that does not read never
    // holds up the caller; false when the connection is closed or the queue has no room for them.
    bool Send(const Text& data);
    void Disconnect();
    bool Connected() const;

private:
    struct Impl;
    std::shared_ptr<Impl> m_impl;
};

}  // namespace dorvane

#pragma once
// A TCP client with its own receive thread. Events are delivered on that thread: kind 1 with the bytes
// received, kind 0 once when the connection has closed.
#include <functional>
#include <memory>

#include "core/Text.h"

namespace dorvane {

enum TcpEventKind : int { TcpClosed = 0, TcpData = 1 };
using TcpHandler = std::function<void(int kind, const Text& data)>;

class TcpClient {
public:
    TcpClient();
    ~TcpClient();  // disconnects and waits for the receive thread
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Host name or dotted address; true when connected. Each resolved address gets timeoutMs to answer.
    bool Connect(const Text& host, int port, TcpHandler handler, int timeoutMs = 10000);
    // Sends the bytes; false when the connection is closed.
    bool Send(const Text& data);
    void Disconnect();
    bool Connected() const;

private:
    struct Impl;
    std::shared_ptr<Impl> m_impl;
};

}  // namespace dorvane

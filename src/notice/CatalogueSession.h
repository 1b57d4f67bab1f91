#pragma once
// One catalogue window's conversation with the catalogue server: connects and greets off the window
// thread, reads the server's messages whole, and applies them to the window's controls in the order they
// came; opens rows and redraws the top level.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "core/Controls.h"
#include "net/TcpClient.h"
#include "notice/CatalogueProtocol.h"

namespace dorvane::notice {

struct CatalogueControls {
    EditBox* announcement = nullptr;
    ReportList* list = nullptr;
    MessageBoxes* messages = nullptr;
};

class CatalogueSession : public std::enable_shared_from_this<CatalogueSession> {
public:
    // How long the line must stay quiet before a message without a following tag counts as whole.
    static constexpr int kQuietMilliseconds = 30;
    static constexpr int kConnectTimeoutMilliseconds = 4000;
    // A tip's message box: OK with the exclamation icon.
    static constexpr int kExclamationFlags = 48;
    // The address reply waits this long before it reaches the address window.
    static constexpr int kAddressDelayMilliseconds = 1000;

    CatalogueSession(CatalogueControls controls, Text host, int port, Text clientIdentifier);
    ~CatalogueSession();

    // Connects and greets on a thread of its own; the window opens at once.
    void Start();
    // Disconnects; no control is touched afterwards. Waits for the thread that applies messages.
    void Close();

    // "返回目录": the last top-level list again, without asking the server.
    void Back();
    // Opens the first selected row: sends its request. True when it is a download row, whose address
    // reply goes to the address window that the caller opens now.
    bool OpenRow();
    // The open address window's box, or nullptr once it is closed (a late reply is then dropped).
    void SetAddressBox(EditBox* box);

    bool Connected() const { return m_client.Connected(); }

private:
    void OnEvent(int kind, const Text& data);
    void Dispatch();
    void Apply(const Text& message);
    void AppendRows(const TextList& lines, const Text& label);
    bool SleepUnlessClosed(int milliseconds);

    CatalogueControls m_controls;
    const Text m_host;
    const int m_port;
    const Text m_clientIdentifier;
    TcpClient m_client;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_closed = false;
    bool m_connectionLost = false;
    uint64_t m_pieces = 0;  // data events so far: a quiet line is one where this stands still
    MessageAssembler m_assembler;
    std::deque<Text> m_ready;
    std::mutex m_addressMutex;
    EditBox* m_addressBox = nullptr;
    std::thread m_dispatcher;
};

}  // namespace dorvane::notice

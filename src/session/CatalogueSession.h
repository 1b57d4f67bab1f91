#pragma once
// One catalogue window's conversation with the catalogue server: connects and greets off the window
// thread, reads the server's messages whole, and applies them to the window's controls in the order they
// came; opens rows and redraws the top level. Nothing a server sends grows without bound: messages, the
// queue of them and the list's rows have limits, and requests go out on the connection's own thread.
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>

#include "view/Controls.h"
#include "core/SharedList.h"
#include "net/TcpClient.h"
#include "notice/CatalogueInbox.h"
#include "notice/CatalogueProtocol.h"

namespace dorvane::notice {

struct CatalogueControls {
    EditBox* announcement = nullptr;
    ReportList* list = nullptr;
    MessageBoxes* messages = nullptr;
};

struct SessionLimits {
    InboxLimits inbox;
    // Rows the list holds at most; the lines of a list beyond them are not shown.
    size_t maxRows = 5000;
    // The longest text one control shows (a list line, the announcement, a tip, an address): a widget
    // takes seconds to draw a line of megabytes, so a longer text is cut.
    size_t maxTextBytes = 4096;
    int sendTimeoutMilliseconds = TcpClient::kDefaultSendTimeoutMs;
};

class CatalogueSession : public std::enable_shared_from_this<CatalogueSession> {
public:
    static constexpr int kConnectTimeoutMilliseconds = 4000;
    // A tip's message box: OK with the exclamation icon.
    static constexpr int kExclamationFlags = 48;
    // The address reply waits this long before it reaches the address window.
    static constexpr int kAddressDelayMilliseconds = 1000;

    CatalogueSession(CatalogueControls controls, Text host, int port, Text clientIdentifier,
                     SessionLimits limits = {}, CatalogueClock& clock = CatalogueClock::System());
    ~CatalogueSession();

    // Connects and greets on a thread of its own; the window opens at once.
    void Start();
    // Disconnects; no control is touched afterwards. Returns as soon as the thread that applies messages
    // has let go of the controls, even in the middle of a long list.
    void Close();

    // "返回目录": the last top-level list again, without asking the server.
    void Back();
    // Opens the first selected row: queues its request (the window never waits for the server). True when
    // it is a download row, whose address reply goes to the address window that the caller opens now.
    bool OpenRow();
    // The open address window's box, or nullptr once it is closed (a late reply is then dropped).
    void SetAddressBox(EditBox* box);

    bool Connected() const { return m_client.Connected(); }

private:
    void OnEvent(int kind, const Text& data);
    void Dispatch();
    void Apply(const CatalogueInbox::Item& item);
    void ApplyMessage(const Text& message);
    void ShowAddress(const Text& address);
    void ShowTip(const Text& text);
    void AppendRows(const TextList& lines, const Text& label);
    Text Shown(const Text& text) const;

    CatalogueControls m_controls;
    const Text m_host;
    const int m_port;
    const Text m_clientIdentifier;
    const size_t m_maxRows;
    const size_t m_maxTextBytes;
    CatalogueInbox m_inbox;
    TcpClient m_client;

    // The last top-level list, for "返回目录" (written by the thread that applies messages).
    SharedList m_topList;
    std::mutex m_addressMutex;
    EditBox* m_addressBox = nullptr;
    std::mutex m_threadMutex;
    std::thread m_dispatcher;
};

}  // namespace dorvane::notice

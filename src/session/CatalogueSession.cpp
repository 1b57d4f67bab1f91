#include "session/CatalogueSession.h"

#include <algorithm>
#include <vector>

#include "core/Numbers.h"
#include "core/Worker.h"

namespace dorvane::notice {

namespace {

constexpr int kMaxTextColour = 14526784;
constexpr int kColumnText = 1;
constexpr int kColumnLabel = 2;

const Text& TipCaption() {
    static const Text caption = Gbk("提示消息");
    return caption;
}

}  // namespace

CatalogueSession::CatalogueSession(CatalogueControls controls, Text host, int port, Text clientIdentifier,
                                   SessionLimits limits, CatalogueClock& clock)
    : m_controls(controls),
      m_host(std::move(host)),
      m_port(port),
      m_clientIdentifier(std::move(clientIdentifier)),
      m_maxRows(limits.maxRows),
      m_maxTextBytes(limits.maxTextBytes),
      m_inbox(limits.inbox, clock),
      m_client(limits.sendTimeoutMilliseconds) {}

CatalogueSession::~CatalogueSession() { Close(); }

void CatalogueSession::Start() {
    {
        std::lock_guard lock(m_threadMutex);
        if (!m_dispatcher.joinable()) m_dispatcher = std::thread([this] { Dispatch(); });
    }
    std::weak_ptr<CatalogueSession> weak = weak_from_this();
    // Connecting may take seconds on a bad network: a worker of its own, which the program's exit stops.
    StartWorkerThread([weak] {
        std::shared_ptr<CatalogueSession> self = weak.lock();
        if (!self) return;
        const bool connected = self->m_client.Connect(
            self->m_host, self->m_port,
            [weak](int kind, const Text& data) {
                if (auto session = weak.lock()) session->OnEvent(kind, data);
            },
            kConnectTimeoutMilliseconds);
        if (!connected) return;
        // A window closed while the connection was being made must not keep it.
        if (self->m_inbox.IsClosed()) {
            self->m_client.Disconnect();
            return;
        }
        self->m_client.Send(Greeting(self->m_clientIdentifier));
    });
}

void CatalogueSession::Close() {
    m_inbox.Close();
    SetAddressBox(nullptr);
    m_client.Disconnect();
    std::thread dispatcher;
    {
        std::lock_guard lock(m_threadMutex);
        dispatcher = std::move(m_dispatcher);
    }
    if (!dispatcher.joinable()) return;
    if (dispatcher.get_id() == std::this_thread::get_id()) {
        dispatcher.detach();  // never expected: the thread holds no owner of the session
    } else {
        dispatcher.join();
    }
}

void CatalogueSession::OnEvent(int kind, const Text& data) {
    // Runs on the connection's receive thread; waiting here while the inbox is full stops the reading.
    switch (kind) {
        case TcpData:
            m_inbox.Push(data);
            return;
        case TcpSendTimedOut:
            m_inbox.PushEvent(CatalogueInbox::Kind::SendTimedOut);
            return;
        case TcpClosed:
            m_inbox.PushEvent(CatalogueInbox::Kind::Closed);
            return;
        default:
            return;
    }
}

void CatalogueSession::Dispatch() {
    while (std::optional<CatalogueInbox::Item> item = m_inbox.Next()) Apply(*item);
}

void CatalogueSession::Apply(const CatalogueInbox::Item& item) {
    switch (item.kind) {
        case CatalogueInbox::Kind::Message:
            ApplyMessage(item.message);
            return;
        case CatalogueInbox::Kind::TooLarge:
            ShowTip(Gbk("目录服务器的回答太长，超出的部分已丢弃。"));
            return;
        case CatalogueInbox::Kind::SendTimedOut:
            ShowTip(Gbk("目录服务器没有接收请求，连接已断开。请关闭目录窗口后再打开。"));
            return;
        case CatalogueInbox::Kind::Closed:
            m_controls.list->SetTextColour(RandomInteger(1, kMaxTextColour));
            return;
    }
}

void CatalogueSession::ShowTip(const Text& text) {
    m_controls.messages->Show(text, kExclamationFlags, TipCaption());
}

void CatalogueSession::AppendRows(const TextList& lines, const Text& label) {
    // Rows go over in batches: one window call per row would have the list lay itself out and repaint
    // once per row.
    constexpr size_t kBatch = 200;
    for (size_t from = 0; from < lines.size(); from += kBatch) {
        // A closed window's controls refuse every access at once; stopping here lets Close return.
        if (m_inbox.IsClosed()) return;
        std::vector<std::vector<Text>> rows;
        for (size_t i = from; i < std::min(lines.size(), from + kBatch); ++i)
            rows.push_back({lines[i], label});
        const int appended = m_controls.list->AppendNumberedRows(rows, static_cast<int>(m_maxRows));
        if (appended < static_cast<int>(rows.size())) return;
    }
}

void CatalogueSession::ApplyMessage(const Text& text) {
    const ServerMessage message = ParseMessage(text);
    switch (message.kind) {
        case MessageKind::Ignored:
            return;
        case MessageKind::Announcement:
            m_controls.announcement->SetText(Shown(message.body));
            return;
        case MessageKind::Tip:
            ShowTip(Shown(message.body));
            return;
        case MessageKind::TopList: {
            const TextList lines = ListLines(message.body, m_maxRows, m_maxTextBytes);
            m_topList.Assign(lines);
            AppendRows(lines, message.label);
            return;
        }
        case MessageKind::CategoryList:
        case MessageKind::DownloadList: {
            const TextList lines = ListLines(message.body, m_maxRows, m_maxTextBytes);
            m_controls.list->DeleteAllRows();
            AppendRows(lines, message.label);
            return;
        }
        case MessageKind::DownloadAddress:
            ShowAddress(Shown(message.body));
            return;
    }
}

void CatalogueSession::ShowAddress(const Text& address) {
    if (address.empty() || !m_inbox.Sleep(kAddressDelayMilliseconds)) return;
    // Held while writing: the window closes the address window's gate before it lets go of the box, so
    // this write gives up at once instead of waiting on the closing window.
    std::lock_guard lock(m_addressMutex);
    if (m_addressBox) m_addressBox->SetText(address);
}

Text CatalogueSession::Shown(const Text& text) const {
    return text.size() > m_maxTextBytes ? text.substr(0, WholeCharacters(text, m_maxTextBytes)) : text;
}

void CatalogueSession::Back() {
    m_controls.list->DeleteAllRows();
    std::vector<std::vector<Text>> rows;
    for (const Text& line : m_topList.Snapshot()) rows.push_back({line, TopLevelLabel()});
    m_controls.list->AppendNumberedRows(rows, static_cast<int>(m_maxRows));
}

bool CatalogueSession::OpenRow() {
    const std::vector<int> rows = m_controls.list->SelectedRows();
    if (rows.empty()) return false;
    const int row = rows.front();
    bool opensAddress = false;
    const std::optional<Text> request =
        RowRequest(m_controls.list->CellText(row, kColumnText), m_controls.list->CellText(row, kColumnLabel),
                   opensAddress);
    if (!request) return false;
    // Queued for the connection's send thread; on a closed connection it goes nowhere, without a message.
    m_client.Send(*request);
    return opensAddress;
}

void CatalogueSession::SetAddressBox(EditBox* box) {
    std::lock_guard lock(m_addressMutex);
    m_addressBox = box;
}

}  // namespace dorvane::notice

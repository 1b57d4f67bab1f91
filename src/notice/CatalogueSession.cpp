#include "notice/CatalogueSession.h"

#include <chrono>

#include "core/Numbers.h"
#include "core/ProgramState.h"
#include "core/Worker.h"

namespace dorvane::notice {

namespace {

constexpr int kMaxTextColour = 14526784;
constexpr int kColumnNumber = 0;
constexpr int kColumnText = 1;
constexpr int kColumnLabel = 2;

}  // namespace

CatalogueSession::CatalogueSession(CatalogueControls controls, Text host, int port, Text clientIdentifier)
    : m_controls(controls),
      m_host(std::move(host)),
      m_port(port),
      m_clientIdentifier(std::move(clientIdentifier)) {}

CatalogueSession::~CatalogueSession() { Close(); }

void CatalogueSession::Start() {
    {
        std::lock_guard lock(m_mutex);
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
        bool closed = false;
        {
            std::lock_guard lock(self->m_mutex);
            closed = self->m_closed;
        }
        // A window closed while the connection was being made must not keep it.
        if (closed) {
            self->m_client.Disconnect();
            return;
        }
        self->m_client.Send(Greeting(self->m_clientIdentifier));
    });
}

void CatalogueSession::Close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    SetAddressBox(nullptr);
    m_changed.notify_all();
    m_client.Disconnect();
    if (m_dispatcher.joinable() && m_dispatcher.get_id() != std::this_thread::get_id()) m_dispatcher.join();
}

void CatalogueSession::OnEvent(int kind, const Text& data) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) return;
        if (kind == TcpClosed) {
            m_connectionLost = true;
        } else {
            ++m_pieces;
            for (Text& message : m_assembler.Add(data)) m_ready.push_back(std::move(message));
        }
    }
    m_changed.notify_all();
}

bool CatalogueSession::SleepUnlessClosed(int milliseconds) {
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_closed; });
}

void CatalogueSession::Dispatch() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            return m_closed || !m_ready.empty() || m_assembler.Pending() || m_connectionLost;
        });
        if (m_closed) return;
        if (m_ready.empty() && m_assembler.Pending()) {
            // A message whose end no tag marks is whole once the line has been quiet for a while.
            const uint64_t seen = m_pieces;
            const bool moved = m_changed.wait_for(lock, std::chrono::milliseconds(kQuietMilliseconds), [&] {
                return m_closed || m_pieces != seen || m_connectionLost;
            });
            if (m_closed) return;
            if (!moved || m_connectionLost) m_ready.push_back(m_assembler.Flush());
            continue;
        }
        if (!m_ready.empty()) {
            Text message = std::move(m_ready.front());
            m_ready.pop_front();
            lock.unlock();
            Apply(message);
            lock.lock();
            continue;
        }
        if (m_connectionLost) {
            m_connectionLost = false;
            lock.unlock();
            m_controls.list->SetTextColour(RandomInteger(1, kMaxTextColour));
            lock.lock();
        }
    }
}

void CatalogueSession::AppendRows(const TextList& lines, const Text& label) {
    ReportList& list = *m_controls.list;
    for (const Text& line : lines) {
        const int row = list.InsertRow();
        list.SetCell(row, kColumnNumber, IntegerText(row + 1));
        list.SetCell(row, kColumnText, line);
        list.SetCell(row, kColumnLabel, label);
    }
}

void CatalogueSession::Apply(const Text& text) {
    const ServerMessage message = ParseMessage(text);
    ProgramState& state = State();
    switch (message.kind) {
        case MessageKind::Ignored:
            return;
        case MessageKind::Announcement:
            m_controls.announcement->SetText(message.body);
            return;
        case MessageKind::Tip: {
            static const Text caption = Gbk("提示消息");
            m_controls.messages->Show(message.body, kExclamationFlags, caption);
            return;
        }
        case MessageKind::TopList: {
            const TextList lines = ListLines(message.body);
            state.catalogueLines.Assign(lines);
            state.catalogueTopList.Assign(lines);
            AppendRows(lines, message.label);
            return;
        }
        case MessageKind::CategoryList:
        case MessageKind::DownloadList: {
            const TextList lines = ListLines(message.body);
            state.catalogueLines.Assign(lines);
            m_controls.list->DeleteAllRows();
            AppendRows(lines, message.label);
            return;
        }
        case MessageKind::DownloadAddress: {
            if (message.body.empty() || !SleepUnlessClosed(kAddressDelayMilliseconds)) return;
            // Held while writing: the window closes the address window's gate before it lets go of the box,
            // so this write gives up at once instead of waiting on the closing window.
            std::lock_guard lock(m_addressMutex);
            if (m_addressBox) m_addressBox->SetText(message.body);
            return;
        }
    }
}

void CatalogueSession::Back() {
    m_controls.list->DeleteAllRows();
    AppendRows(State().catalogueTopList.Snapshot(), TopLevelLabel());
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
    // On a closed connection the request goes nowhere, without a message.
    m_client.Send(*request);
    return opensAddress;
}

void CatalogueSession::SetAddressBox(EditBox* box) {
    std::lock_guard lock(m_addressMutex);
    m_addressBox = box;
}

}  // namespace dorvane::notice

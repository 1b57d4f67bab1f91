#include "notice/CatalogueInbox.h"

#include <chrono>
#include <utility>

namespace dorvane::notice {

CatalogueInbox::CatalogueInbox(InboxLimits limits, CatalogueClock& clock)
    : m_limits(limits), m_clock(clock), m_assembler(limits.maxMessageBytes) {}

bool CatalogueInbox::FullLocked() const {
    return m_messages >= m_limits.maxMessages || m_bytes >= m_limits.maxBytes;
}

void CatalogueInbox::QueueLocked(Item item) {
    if (item.kind == Kind::Message) {
        if (item.message.empty()) return;
        ++m_messages;
        m_bytes += item.message.size();
    }
    m_items.push_back(std::move(item));
}

bool CatalogueInbox::Push(const Text& bytes) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_closed || !FullLocked(); });
    if (m_closed) return false;
    m_lastPiece = m_clock.Now();
    for (Text& message : m_assembler.Add(bytes)) QueueLocked({Kind::Message, std::move(message)});
    if (m_assembler.TakeCut() && !std::exchange(m_toldTooLarge, true)) QueueLocked({Kind::TooLarge, {}});
    m_changed.notify_all();
    return true;
}

void CatalogueInbox::PushEvent(Kind kind) {
    std::lock_guard lock(m_mutex);
    if (m_closed) return;
    if (kind == Kind::Closed) QueueLocked({Kind::Message, m_assembler.Flush()});
    QueueLocked({kind, {}});
    m_changed.notify_all();
}

std::optional<CatalogueInbox::Item> CatalogueInbox::TakeLocked() {
    if (m_closed) return std::nullopt;
    if (m_items.empty() && m_assembler.Pending() &&
        m_clock.Now() - m_lastPiece >= std::chrono::milliseconds(m_limits.quietMilliseconds)) {
        QueueLocked({Kind::Message, m_assembler.Flush()});
    }
    if (m_items.empty()) return std::nullopt;
    Item item = std::move(m_items.front());
    m_items.pop_front();
    if (item.kind == Kind::Message) {
        --m_messages;
        m_bytes -= item.message.size();
    }
    m_changed.notify_all();  // room for the receiving side
    return item;
}

std::optional<CatalogueInbox::Item> CatalogueInbox::Poll() {
    std::lock_guard lock(m_mutex);
    return TakeLocked();
}

std::optional<CatalogueInbox::Item> CatalogueInbox::Next() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (std::optional<Item> item = TakeLocked()) return item;
        if (m_closed) return std::nullopt;
        if (m_assembler.Pending()) {
            m_clock.WaitUntil(m_changed, lock,
                              m_lastPiece + std::chrono::milliseconds(m_limits.quietMilliseconds));
        } else {
            m_changed.wait(lock);
        }
    }
}

bool CatalogueInbox::Sleep(int milliseconds) {
    std::unique_lock lock(m_mutex);
    const CatalogueClock::TimePoint deadline = m_clock.Now() + std::chrono::milliseconds(milliseconds);
    while (!m_closed && m_clock.Now() < deadline) m_clock.WaitUntil(m_changed, lock, deadline);
    return !m_closed;
}

void CatalogueInbox::Close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_items.clear();
        m_messages = 0;
        m_bytes = 0;
        m_assembler.Flush();
    }
    m_changed.notify_all();
}

bool CatalogueInbox::IsClosed() const {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

}  // namespace dorvane::notice

#pragma once
// What the catalogue server has sent and the window has not yet shown: whole messages in a bounded queue,
// the message still arriving, and what became of the connection, handed on in the order it happened. The
// receiving side waits while the queue is full, so a server that sends faster than the window shows is
// held back by TCP instead of filling memory.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

#include "core/Text.h"
#include "notice/CatalogueClock.h"
#include "notice/CatalogueProtocol.h"

namespace dorvane::notice {

struct InboxLimits {
    // How long the line must stay quiet before a message without a following tag counts as whole.
    int quietMilliseconds = 30;
    // The queue is full once it holds this many messages or this many bytes.
    size_t maxMessages = 256;
    size_t maxBytes = 8u << 20;
    // The longest message; the rest of a longer one is dropped.
    size_t maxMessageBytes = MessageAssembler::kDefaultMaxBytes;
};

class CatalogueInbox {
public:
    enum class Kind {
        Message,       // a whole server message
        TooLarge,      // a message was cut at the limit (once per inbox)
        SendTimedOut,  // a request did not go out in time; the connection is closing
        Closed,        // the connection has closed; after everything that came before it
    };
    struct Item {
        Kind kind = Kind::Message;
        Text message;
    };

    explicit CatalogueInbox(InboxLimits limits = {}, CatalogueClock& clock = CatalogueClock::System());

    // Receiving side. Adds received bytes, waiting first while the queue is full; false once closed.
    bool Push(const Text& bytes);
    // Receiving side: SendTimedOut or Closed. A closed connection ends the message still arriving.
    void PushEvent(Kind kind);

    // Showing side. The next item, waiting for one; nothing once the inbox is closed.
    std::optional<Item> Next();
    // The next item when one is ready now (a message still arriving is whole once the line has been quiet
    // for the quiet time on the clock); never waits.
    std::optional<Item> Poll();
    // Waits until the clock has moved on by the given time; false when the inbox closed first.
    bool Sleep(int milliseconds);

    // Wakes and ends every wait, now and later; what was queued is dropped.
    void Close();
    bool IsClosed() const;

private:
    std::optional<Item> TakeLocked();
    bool FullLocked() const;
    void QueueLocked(Item item);

    const InboxLimits m_limits;
    CatalogueClock& m_clock;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_closed = false;
    bool m_toldTooLarge = false;
    MessageAssembler m_assembler;
    CatalogueClock::TimePoint m_lastPiece{};
    std::deque<Item> m_items;
    size_t m_messages = 0;  // Message items in m_items, and their bytes
    size_t m_bytes = 0;
};

}  // namespace dorvane::notice

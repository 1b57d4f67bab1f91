#pragma once
// The catalogue server's conversation: GBK texts without terminator, server messages led by a six-byte
// tag. Plain functions from messages to what they mean and from rows to the requests they send.
#include <optional>

#include "core/Text.h"

namespace dorvane::notice {

enum class MessageKind { Ignored, Announcement, Tip, TopList, CategoryList, DownloadList, DownloadAddress };

struct ServerMessage {
    MessageKind kind = MessageKind::Ignored;
    Text tag;
    // The message with every copy of its tag removed.
    Text body;
    // The column 2 label of the rows a list message makes ("打开", a category's name or a download list's).
    Text label;
};

// What a received message means; a message that begins with no known tag is Ignored.
ServerMessage ParseMessage(const Text& message);
// True when the six bytes at `position` (0-based) are a known server tag.
bool IsServerTag(const Text& text, size_t position);
// The lines of a list body (CR LF separated), empty lines dropped; at most maxLines of them, each cut to
// at most maxLineBytes.
TextList ListLines(const Text& body, size_t maxLines = static_cast<size_t>(-1),
                   size_t maxLineBytes = static_cast<size_t>(-1));
// The length of the longest start of the text that is at most maxBytes long and does not end inside a
// double-byte character.
size_t WholeCharacters(const Text& text, size_t maxBytes);

// "%yhid%临时" + the client identifier.
Text Greeting(const Text& clientIdentifier);
// The request that opening a row sends ("%m1dk%" + key, a category's request tag + key, or a download
// list's request tag + the row's text); nothing for a row of no known kind. opensAddress tells a download
// row, whose reply goes to the address window.
std::optional<Text> RowRequest(const Text& rowText, const Text& label, bool& opensAddress);

// The label of top-level rows.
const Text& TopLevelLabel();

// Collects received bytes into whole messages. The protocol has no terminator: a message ends where a
// different known tag begins, or when the line has been quiet for a while (the caller decides when).
// A message never grows beyond maxBytes: it ends there (after its last whole line when it has one), and
// what the server sends of it after that is dropped until the next message begins.
class MessageAssembler {
public:
    static constexpr size_t kDefaultMaxBytes = 4u << 20;
    explicit MessageAssembler(size_t maxBytes = kDefaultMaxBytes) : m_maxBytes(maxBytes) {}

    // Adds received bytes; returns the messages that a different tag or the size limit has ended.
    TextList Add(const Text& bytes);
    // The message collected so far (on a quiet line), which also ends one being dropped; empty when
    // nothing is pending.
    Text Flush();
    bool Pending() const { return !m_buffer.empty() || m_dropping; }
    // Whether a message was cut at the size limit since the last call.
    bool TakeCut();

private:
    void Cut(Text& message);
    bool StopDropping(Text& bytes);

    const size_t m_maxBytes;
    Text m_buffer;
    bool m_dropping = false;  // the rest of a message that was cut is arriving
    Text m_droppedTag;        // that message's tag: its copies belong to it and do not end it
    Text m_droppedTail;       // its last bytes, where a tag split across two pieces begins
    bool m_cut = false;
};

}  // namespace dorvane::notice

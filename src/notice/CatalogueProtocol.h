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
// The lines of a list body (CR LF separated), empty lines dropped.
TextList ListLines(const Text& body);

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
class MessageAssembler {
public:
    // Adds received bytes; returns the messages that a different tag has ended.
    TextList Add(const Text& bytes);
    // The message collected so far (on a quiet line); empty when nothing is pending.
    Text Flush();
    bool Pending() const { return !m_buffer.empty(); }

private:
    Text m_buffer;
};

}  // namespace dorvane::notice

#include "notice/CatalogueProtocol.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/TextOps.h"
#include "text/Markers.h"

namespace dorvane::notice {

namespace {

constexpr size_t kTagLength = 6;

struct ListTags {
    const char* category;      // server: category lines
    const char* categoryAsk;   // client: open a category row
    const char* download;      // server: download lines
    const char* downloadAsk;   // client: open a download row; the server answers with the same tag
    const char* categoryName;  // column 2 of category rows
    const char* downloadName;  // column 2 of download rows
};

// The five lists in their fixed order.
constexpr std::array<ListTags, 5> kLists{{
    {"$m1xr$", "%cxxr%", "$zmxr$", "%gmxr%", "秀人系列", "秀人下载"},
    {"$m1cs$", "%cxcs%", "$zmcs$", "%gmcs%", "COSPLAY", "COS下载"},
    {"$mlsz$", "%cxsz%", "$zmsz$", "%gmsz%", "丝足系列", "丝足下载"},
    {"$mlqt$", "%cxqt%", "$zmqt$", "%gmqt%", "其他套图", "套图下载"},
    {"$mlsg$", "%cxsg%", "$zmsg$", "%gmsg%", "无圣光集", "无圣下载"},
}};

constexpr const char* kAnnouncement = "$xtgg$";
constexpr const char* kTip = "$xtts$";
constexpr const char* kTopList = "$xtml$";
constexpr const char* kTopAsk = "%m1dk%";

// The column 2 labels of the lists in GBK, converted once: a row request compares a label with each.
struct ListLabels {
    Text category;
    Text download;
};

const std::array<ListLabels, kLists.size()>& Labels() {
    static const auto labels = [] {
        std::array<ListLabels, kLists.size()> gbk;
        for (size_t i = 0; i < kLists.size(); ++i)
            gbk[i] = {Gbk(kLists[i].categoryName), Gbk(kLists[i].downloadName)};
        return gbk;
    }();
    return labels;
}

// The address reply of a download list: "$gm" + the list's last three tag bytes.
Text AddressTag(const ListTags& list) { return Text("$gm") + (list.download + 3); }

ServerMessage Describe(const Text& tag) {
    ServerMessage message;
    message.tag = tag;
    if (tag == kAnnouncement) message.kind = MessageKind::Announcement;
    if (tag == kTip) message.kind = MessageKind::Tip;
    if (tag == kTopList) {
        message.kind = MessageKind::TopList;
        message.label = TopLevelLabel();
    }
    for (size_t i = 0; i < kLists.size(); ++i) {
        const ListTags& list = kLists[i];
        if (tag == list.category) {
            message.kind = MessageKind::CategoryList;
            message.label = Labels()[i].category;
        } else if (tag == list.download) {
            message.kind = MessageKind::DownloadList;
            message.label = Labels()[i].download;
        } else if (tag == AddressTag(list)) {
            message.kind = MessageKind::DownloadAddress;
        }
    }
    return message;
}

}  // namespace

const Text& TopLevelLabel() {
    static const Text label = Gbk("打开");
    return label;
}

bool IsServerTag(const Text& text, size_t position) {
    if (position + kTagLength > text.size() || text[position] != '$' ||
        text[position + kTagLength - 1] != '$')
        return false;
    return Describe(text.substr(position, kTagLength)).kind != MessageKind::Ignored;
}

ServerMessage ParseMessage(const Text& message) {
    if (!IsServerTag(message, 0)) return {};
    ServerMessage parsed = Describe(message.substr(0, kTagLength));
    parsed.body = TextReplace(message, parsed.tag, {}, 1, -1, true);
    return parsed;
}

TextList ListLines(const Text& body, size_t maxLines, size_t maxLineBytes) {
    TextList lines;
    size_t from = 0;
    while (from < body.size() && lines.size() < maxLines) {
        size_t end = body.find("\r\n", from);
        if (end == Text::npos) end = body.size();
        if (end > from) {
            Text line = body.substr(from, end - from);
            if (line.size() > maxLineBytes) line.resize(WholeCharacters(line, maxLineBytes));
            lines.push_back(std::move(line));
        }
        from = end + 2;
    }
    return lines;
}

size_t WholeCharacters(const Text& text, size_t maxBytes) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t step = static_cast<unsigned char>(text[end]) >= 0x80 ? 2 : 1;
        if (end + step > maxBytes) break;
        end += step;
    }
    return std::min(end, text.size());
}

Text Greeting(const Text& clientIdentifier) { return Gbk("%yhid%临时") + clientIdentifier; }

std::optional<Text> RowRequest(const Text& rowText, const Text& label, bool& opensAddress) {
    opensAddress = false;
    const Text key = TextBetween(rowText, "[", "]");
    if (label == TopLevelLabel()) return kTopAsk + key;
    for (size_t i = 0; i < kLists.size(); ++i) {
        const ListTags& list = kLists[i];
        if (label == Labels()[i].category) return list.categoryAsk + key;
        if (label == Labels()[i].download) {
            opensAddress = true;
            return list.downloadAsk + rowText;
        }
    }
    return std::nullopt;
}

TextList MessageAssembler::Add(const Text& received) {
    TextList complete;
    Text bytes = received;
    if (m_dropping && !StopDropping(bytes)) return complete;
    const size_t searchFrom = m_buffer.size() >= kTagLength ? m_buffer.size() - (kTagLength - 1) : 0;
    m_buffer += bytes;
    // A known tag other than the current message's own begins the next message.
    size_t from = std::max<size_t>(searchFrom, 1);
    for (size_t at = m_buffer.find('$', from); at != Text::npos; at = m_buffer.find('$', at + 1)) {
        if (!IsServerTag(m_buffer, at)) continue;
        if (IsServerTag(m_buffer, 0) && m_buffer.compare(0, kTagLength, m_buffer, at, kTagLength) == 0)
            continue;
        Text message = m_buffer.substr(0, at);
        if (message.size() > m_maxBytes) Cut(message);
        complete.push_back(std::move(message));
        m_buffer.erase(0, at);
        at = 0;
    }
    if (m_buffer.size() > m_maxBytes) {
        // Whatever follows the limit holds no other tag: it is dropped, and so is the rest still to come.
        m_dropping = true;
        m_droppedTag = IsServerTag(m_buffer, 0) ? m_buffer.substr(0, kTagLength) : Text();
        m_droppedTail = m_buffer.substr(m_buffer.size() - (kTagLength - 1));
        Cut(m_buffer);
        complete.push_back(std::move(m_buffer));
        m_buffer.clear();
    }
    return complete;
}

// Shortens a message to the limit, after its last line end within it, or else after the last whole
// double-byte character.
void MessageAssembler::Cut(Text& message) {
    m_cut = true;
    const size_t lineEnd = message.rfind("\r\n", m_maxBytes - 2);
    if (lineEnd != Text::npos && lineEnd >= kTagLength) {
        message.resize(lineEnd + 2);
    } else {
        message.resize(WholeCharacters(message, m_maxBytes));
    }
}

// While a cut message's rest is dropped: true when a different known tag in these bytes begins the next
// message, which is then all that is left of them.
bool MessageAssembler::StopDropping(Text& bytes) {
    Text seen = m_droppedTail + bytes;
    for (size_t at = seen.find('$'); at != Text::npos; at = seen.find('$', at + 1)) {
        if (!IsServerTag(seen, at) || seen.compare(at, kTagLength, m_droppedTag) == 0) continue;
        bytes = seen.substr(at);
        m_dropping = false;
        m_droppedTail.clear();
        return true;
    }
    m_droppedTail = seen.substr(seen.size() - std::min(seen.size(), kTagLength - 1));
    return false;
}

Text MessageAssembler::Flush() {
    Text message;
    message.swap(m_buffer);
    m_dropping = false;
    m_droppedTail.clear();
    return message;
}

bool MessageAssembler::TakeCut() { return std::exchange(m_cut, false); }

}  // namespace dorvane::notice

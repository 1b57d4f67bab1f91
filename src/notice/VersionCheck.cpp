#include "notice/VersionCheck.h"

#include "core/Numbers.h"
#include "core/TextOps.h"
#include "core/Worker.h"
#include "net/HttpFetch.h"
#include "text/RegexObject.h"

namespace dorvane::notice {

namespace {

constexpr double kNewerBy = 0.0000001;

double VersionNumber(const Text& text) { return ToNumber(TextRight(text, 6)); }

}  // namespace

Text NoticeAddress(const Text& host, const Text& document) {
    return "https://" + host + "/docs/" + document + "/read";
}

Text EscapeMarker(const Text& marker) {
    Text escaped = marker;
    for (const char* special : {"?", "*", "+", "[", "]", "(", ")", "{", "}"})
        escaped = TextReplace(escaped, special, Text("\\") + special);
    escaped = TextReplace(escaped, Gbk("#引号"), "\"");
    return TextReplace(escaped, "\r\n", "\\n");
}

TextList NoticeItems(const Text& page) {
    RegexObject regex;
    const Text pattern = EscapeMarker(Gbk("\">【")) + "([\\s\\S]*?)" + EscapeMarker(Gbk("】</p><p"));
    regex.Search(pattern, page);
    TextList items;
    for (int i = 1; i <= regex.MatchCount(); ++i) items.push_back(regex.SubMatchText(i, 1));
    return items;
}

bool IsNewer(const TextList& items, const Text& ownTag) {
    return !items.empty() && VersionNumber(items.front()) - VersionNumber(ownTag) > kNewerBy;
}

Text NoticeText(const TextList& items) {
    Text text = Gbk("版本号：");
    for (size_t i = 0; i + 1 < items.size(); ++i) text += items[i] + "\r\n";
    return text;
}

std::optional<Update> NewerVersion(const Text& noticeAddress, const Text& ownTag) {
    const Text page = HttpFetch(noticeAddress);
    WorkerCheckPoint();
    const TextList items = NoticeItems(page);
    if (!IsNewer(items, ownTag)) return std::nullopt;
    return Update{NoticeText(items), items.back()};
}

}  // namespace dorvane::notice

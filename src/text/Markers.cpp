#include "text/Markers.h"

#include "core/TextOps.h"

namespace dorvane {

namespace {

const Text& QuoteMarker() {
    static const Text marker = Gbk("#引号");
    return marker;
}

}  // namespace

Text TextBetween(const Text& text, const Text& left, const Text& right, long long start, bool ignoreCase) {
    const Text leftMarker = TextReplace(left, QuoteMarker(), "\"");
    const Text rightMarker = TextReplace(right, QuoteMarker(), "\"");
    long long found = TextFind(text, leftMarker, start, ignoreCase);
    if (found < 1) return {};
    long long from = found + static_cast<long long>(leftMarker.size());
    long long end = TextFind(text, rightMarker, from, ignoreCase);
    if (end < from) return {};
    return text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(end - from));
}

Text TextBefore(const Text& text, const Text& marker, long long start, bool ignoreCase) {
    long long found = TextFind(text, marker, start < 1 ? 1 : start, ignoreCase);
    if (found < 1) return {};
    return text.substr(0, static_cast<size_t>(found - 1));
}

int TextBetweenAll(const Text& text, const Text& left, const Text& right, TextList& items, bool ignoreCase,
                   long long maxLength, const Text& prefix, const Text& suffix, bool keepLeft, bool keepRight,
                   long long start) {
    items.clear();
    // The empty text is found at the same place every time, so an empty left marker would take the same
    // piece forever; it yields nothing instead.
    if (left.empty()) return 0;
    const long long leftLength = static_cast<long long>(left.size());
    long long pos = start < 1 ? 1 : start;
    for (;;) {
        long long found = TextFind(text, left, pos, ignoreCase);
        if (found < 1) break;
        pos = found + leftLength;
        // An empty right marker is found at position 1 whenever anything follows the left marker: the piece
        // is then empty.
        const long long end = TextFind(text, right, pos, ignoreCase);
        if (end < 1) break;
        const size_t pieceLength = end > pos ? static_cast<size_t>(end - pos) : 0;
        const size_t itemLength = pieceLength + prefix.size() + suffix.size() + (keepLeft ? left.size() : 0) +
                                  (keepRight ? right.size() : 0);
        if (maxLength > 0 && static_cast<long long>(itemLength) >= maxLength) continue;
        Text item;
        item.reserve(itemLength);
        if (keepLeft) item += left;
        item += prefix;
        item.append(text, static_cast<size_t>(pos - 1), pieceLength);
        item += suffix;
        if (keepRight) item += right;
        items.push_back(std::move(item));
    }
    return static_cast<int>(items.size());
}

}  // namespace dorvane

#include "net/Headers.h"

#include <string_view>
#include <unordered_set>

#include "core/TextOps.h"

namespace dorvane {

namespace {

const Text kCrLf = "\r\n";
const Text kCookieSeparator = "; ";

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

Text CapitaliseName(const Text& name) {
    Text result = name;
    // The first character of the name and the one after every "-". "-" (2D) is never a GBK trail byte, and
    // only a-z change, so a double-byte character is never touched.
    bool atStart = true;
    for (char& c : result) {
        if (atStart) c = UpperAscii(c);
        atStart = c == '-';
    }
    return result;
}

bool EndsWith(const Text& text, const Text& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Item name: the text before the first "=", trimmed; the whole item when it has none.
Text CookieName(const Text& item) {
    long long eq = TextFind(item, "=");
    return TextTrim(eq < 1 ? item : item.substr(0, static_cast<size_t>(eq - 1)));
}

// Trimmed, with a final ";" turned into "; " so that the split below sees a proper separator.
TextList CookieItems(const Text& cookies) {
    Text text = TextTrim(cookies);
    if (EndsWith(text, ";")) text += ' ';
    return TextSplit(text, kCookieSeparator);
}

}  // namespace

Text BuildHeaderBlock(const Text& block) {
    Text result;
    for (const Text& line : TextSplit(block, kCrLf)) {
        size_t colon = line.find(':');
        if (colon == Text::npos) continue;
        result += CapitaliseName(line.substr(0, colon));
        result.append(line, colon, Text::npos);
        result += kCrLf;
    }
    if (EndsWith(result, kCrLf)) result.resize(result.size() - kCrLf.size());
    return result;
}

Text GetHeaderValue(const Text& block, const Text& name) {
    const Text nameColon = name + ": ";
    for (const Text& line : TextSplit(block, kCrLf)) {
        if (line.compare(0, name.size(), name) != 0) continue;
        long long found = TextFindBackward(line, nameColon);
        if (found < 1) return {};
        return line.substr(static_cast<size_t>(found - 1) + nameColon.size());
    }
    return {};
}

Text RemoveRepeats(const Text& text, const Text& separator) {
    std::unordered_set<std::string_view> seen;
    TextList items = TextSplit(text, separator);
    Text result;
    for (const Text& item : items) {
        if (!seen.insert(item).second) continue;
        result += item;
        result += separator;
    }
    if (!separator.empty() && EndsWith(result, separator)) result.resize(result.size() - separator.size());
    return result;
}

Text MergeCookies(const Text& oldCookies, const Text& newCookies) {
    static const Text kDeleted = "=deleted";
    TextList merged = CookieItems(newCookies);
    std::unordered_set<Text> names;
    for (const Text& item : merged) names.insert(CookieName(item));
    for (Text& item : CookieItems(oldCookies)) {
        Text name = CookieName(item);
        if (names.count(name)) continue;
        names.insert(std::move(name));
        merged.push_back(std::move(item));
    }
    Text joined;
    for (const Text& item : merged) {
        // An empty item (from "; ; ") carries no cookie and would only leave a stray separator.
        if (item.empty() || EndsWith(item, kDeleted)) continue;
        joined += item;
        joined += kCookieSeparator;
    }
    if (EndsWith(joined, kCookieSeparator)) joined.resize(joined.size() - kCookieSeparator.size());
    return RemoveRepeats(joined, kCookieSeparator);
}

Text ExtractSetCookies(const Text& responseHeaders, const Text& initial) {
    static const Text kName = "Set-Cookie";
    static const Text kNameColon = "Set-Cookie:";
    Text cookies = initial;
    for (const Text& line : TextSplit(responseHeaders, kCrLf)) {
        long long colon = TextFind(line, ": ");
        if (colon < 1 || line.compare(0, static_cast<size_t>(colon - 1), kName) != 0 ||
            static_cast<size_t>(colon - 1) != kName.size())
            continue;
        Text item;
        long long semicolon = TextFind(line, ";");
        if (semicolon >= 1) {
            // The line begins with "Set-Cookie: ", so the name is there and the ";" follows it.
            long long from = TextFind(line, kNameColon) + static_cast<long long>(kNameColon.size());
            long long end = TextFind(line, ";", from);
            if (end >= from)
                item = line.substr(static_cast<size_t>(from - 1), static_cast<size_t>(end - from));
        } else {
            item = TextReplace(line, kNameColon, {}, 1, -1, false);
        }
        item = TextTrim(item);
        // A line without a cookie in it ("Set-Cookie: ; path=/") adds no empty item.
        if (item.empty()) continue;
        cookies += item;
        cookies += kCookieSeparator;
    }
    if (EndsWith(cookies, kCookieSeparator)) cookies.resize(cookies.size() - kCookieSeparator.size());
    return cookies;
}

}  // namespace dorvane

#include "core/TextOps.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "core/ReplaceFound.h"
#include "core/TextOpsScan.h"

namespace dorvane {

namespace {

using detail::AlignedScanner;
using detail::IsLeadByte;
using detail::ReplaceFound;

unsigned char FoldByte(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Positions arrive as long long from callers that compute them; clip them into size_t safely.
size_t ClipCount(long long n, size_t limit) {
    if (n <= 0) return 0;
    return static_cast<unsigned long long>(n) < limit ? static_cast<size_t>(n) : limit;
}

}  // namespace

int TextCompare(const Text& a, const Text& b) {
    const size_t common = std::min(a.size(), b.size());
    if (common > 0) {
        const int r = std::memcmp(a.data(), b.data(), common);  // memcmp compares as unsigned char
        if (r != 0) return r < 0 ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int TextCompareCase(const Text& a, const Text& b, bool caseSensitive) {
    if (caseSensitive) return TextCompare(a, b);
    // Like the C library's multibyte comparison: a letter is folded only where it stands as a character of
    // its own, never as the second byte of a double-byte character.
    const size_t common = std::min(a.size(), b.size());
    bool trailA = false;
    bool trailB = false;
    for (size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        const unsigned char fa = trailA ? ca : FoldByte(ca);
        const unsigned char fb = trailB ? cb : FoldByte(cb);
        if (fa != fb) return fa < fb ? -1 : 1;
        trailA = !trailA && IsLeadByte(ca);
        trailB = !trailB && IsLeadByte(cb);
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

Text TextLeft(const Text& text, long long n) { return text.substr(0, ClipCount(n, text.size())); }

Text TextRight(const Text& text, long long n) {
    const size_t count = ClipCount(n, text.size());
    return text.substr(text.size() - count);
}

Text TextMiddle(const Text& text, long long start, long long n) {
    if (start < 1 || n <= 0) return {};
    if (static_cast<unsigned long long>(start) > text.size()) return {};
    const size_t from = static_cast<size_t>(start - 1);
    return text.substr(from, ClipCount(n, text.size() - from));
}

long long TextFind(const Text& text, const Text& wanted, long long start, bool ignoreCase) {
    if (start < 1) start = 1;
    if (static_cast<unsigned long long>(start) > text.size()) return -1;  // the searched part is empty
    if (wanted.empty()) return 1;
    const size_t from = static_cast<size_t>(start - 1);
    if (wanted.size() > text.size() - from) return -1;
    AlignedScanner scanner(text.data(), text.size(), wanted.data(), wanted.size(), from, ignoreCase);
    const size_t hit = scanner.Next();
    return hit == AlignedScanner::npos ? -1 : static_cast<long long>(hit) + 1;
}

long long TextFindBackward(const Text& text, const Text& wanted, long long start, bool ignoreCase) {
    // A start of 0 or below (omitted) or beyond the end means the whole text; start 1 leaves nothing.
    size_t limit = text.size();
    if (start >= 1 && static_cast<unsigned long long>(start) <= text.size()) limit = static_cast<size_t>(start - 1);
    if (limit == 0) return -1;
    if (wanted.empty()) return 1;
    if (wanted.size() > limit) return -1;
    // Boundaries are only known walking forward, so the last occurrence is the last one a forward walk meets.
    AlignedScanner scanner(text.data(), limit, wanted.data(), wanted.size(), 0, ignoreCase);
    size_t last = AlignedScanner::npos;
    for (size_t hit = scanner.Next(); hit != AlignedScanner::npos; hit = scanner.NextOverlapping()) last = hit;
    return last == AlignedScanner::npos ? -1 : static_cast<long long>(last) + 1;
}

Text TextReplace(const Text& text, const Text& wanted, const Text& replacement, long long start, long long count,
                 bool caseSensitive) {
    if (text.empty() || wanted.empty() || count == 0) return text;
    if (start < 1) start = 1;
    if (static_cast<unsigned long long>(start) > text.size()) return text;
    const size_t from = static_cast<size_t>(start - 1);
    AlignedScanner scanner(text.data(), text.size(), wanted.data(), wanted.size(), from, !caseSensitive);
    return ReplaceFound(text, from, wanted.size(), replacement, count, scanner);
}

TextList TextSplit(const Text& text, const Text& delimiter, long long maxCount) {
    TextList pieces;
    if (text.empty()) return pieces;
    const auto full = [&] { return maxCount > 0 && pieces.size() >= static_cast<unsigned long long>(maxCount); };
    if (delimiter.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    AlignedScanner scanner(text.data(), text.size(), delimiter.data(), delimiter.size(), 0);
    size_t pieceStart = 0;
    for (size_t hit = scanner.Next(); hit != AlignedScanner::npos && !full(); hit = scanner.NextAfterMatch()) {
        pieces.emplace_back(text, pieceStart, hit - pieceStart);
        pieceStart = hit + delimiter.size();
    }
    if (pieceStart < text.size() && !full()) pieces.emplace_back(text, pieceStart, Text::npos);
    return pieces;
}

Text TextTrim(const Text& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    // Walk characters from the front: the first non-blank character starts the result, and the end of the
    // last non-blank character ends it. A trailing A1 A1 only counts when it is a character of its own.
    size_t i = 0;
    size_t first = n;
    size_t end = 0;
    while (i < n) {
        const bool lead = IsLeadByte(s[i]) && i + 1 < n;
        const size_t width = lead ? 2 : 1;
        const bool blank = lead ? (s[i] == 0xA1 && s[i + 1] == 0xA1) : s[i] == ' ';
        if (!blank) {
            if (first == n) first = i;
            end = i + width;
        }
        i += width;
    }
    if (first == n) return {};
    return text.substr(first, end - first);
}

namespace {

template <typename Change>
Text ChangeLetters(const Text& text, Change change) {
    Text out = text;
    const size_t n = out.size();
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(c)) {
            ++i;  // both bytes of a double-byte character stay as they are
            continue;
        }
        out[i] = static_cast<char>(change(c));
    }
    return out;
}

}  // namespace

Text TextUpper(const Text& text) {
    return ChangeLetters(text, [](unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; });
}

Text TextLower(const Text& text) {
    return ChangeLetters(text, [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; });
}

Text TextRepeat(long long n, const Text& text) {
    if (n <= 0 || text.empty()) return {};
    Text out;
    const auto times = static_cast<unsigned long long>(n);
    // A result that cannot exist is refused the way any oversized std::string is.
    if (times > out.max_size() / text.size()) throw std::length_error("TextRepeat: result too long");
    out.reserve(static_cast<size_t>(times * text.size()));
    for (unsigned long long k = 0; k < times; ++k) out += text;
    return out;
}

Text Spaces(long long n) {
    if (n < 1) return {};
    return Text(static_cast<size_t>(n), ' ');
}

Text CharacterText(int byteValue) {
    const auto byte = static_cast<unsigned char>(byteValue & 0xFF);
    // A text ends at its first zero byte, so the character 0 is the empty text.
    if (byte == 0) return {};
    return Text(1, static_cast<char>(byte));
}

int ByteAt(const Text& text, long long position) {
    if (position < 1 || static_cast<unsigned long long>(position) > text.size()) return 0;
    return static_cast<signed char>(text[static_cast<size_t>(position - 1)]);
}

}  // namespace dorvane

#pragma once
// The double-byte aware search shared by the text operations. A byte of 0x80 or above starts a two-byte
// character, so an occurrence only counts when it begins on a character boundary. Boundaries can only be
// found by walking forward from a known one; the scanner finds candidates with memmem and advances its
// boundary cursor incrementally, so a whole scan over a page stays linear however many candidates fail.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string.h>  // memmem (GNU)

namespace dorvane::detail {

inline bool IsLeadByte(unsigned char c) { return c >= 0x80; }

// ASCII A-Z to a-z, every other byte unchanged.
inline void FoldAsciiLower(const char* in, size_t n, char* out) {
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(in[i]);
        out[i] = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    }
}

// Moves the boundary `b` forward one character at a time until it reaches or passes `target`; the result is
// `target` when `target` is a boundary and target + 1 when `target` is the second byte of a character.
// Never reads at or past `target`, so a lone lead byte at the end of a text is never read past.
inline size_t AdvanceBoundary(const unsigned char* s, size_t b, size_t target) {
    while (b < target) {
        // Runs of plain ASCII are common in HTML; step over eight of them at once.
        if (target - b >= 8) {
            uint64_t word;
            std::memcpy(&word, s + b, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                b += 8;
                continue;
            }
        }
        b += IsLeadByte(s[b]) ? 2 : 1;
    }
    return b;
}

class AlignedScanner {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    // Searches hay[from, size) for needle (size > 0), with `from` taken as a character boundary. With
    // ignoreCase the ASCII letters of both sides compare without case, byte by byte.
    AlignedScanner(const char* hay, size_t size, const char* needle, size_t needleSize, size_t from,
                   bool ignoreCase = false)
        : m_hay(reinterpret_cast<const unsigned char*>(hay)),
          m_size(size),
          m_needle(needle),
          m_needleSize(needleSize),
          m_ignoreCase(ignoreCase),
          m_pos(from),
          m_boundary(from) {
        if (m_ignoreCase) {
            m_folded.resize(needleSize);
            FoldAsciiLower(needle, needleSize, m_folded.data());
            m_needle = m_folded.data();
            const auto first = static_cast<unsigned char>(m_folded[0]);
            m_firstLower = first;
            m_firstUpper = (first >= 'a' && first <= 'z') ? static_cast<unsigned char>(first - 32) : first;
            if (m_firstUpper == m_firstLower) {  // not a letter: one memchr cursor is enough
                m_upperKnown = true;
                m_upperAt = npos;
            }
        }
    }

    AlignedScanner(const AlignedScanner&) = delete;
    AlignedScanner& operator=(const AlignedScanner&) = delete;

    // The first occurrence at or after the current position that begins on a boundary, or npos.
    size_t Next() {
        while (m_needleSize <= m_size && m_pos <= m_size - m_needleSize) {
            const size_t candidate = FindCandidate(m_pos);
            if (candidate == npos) break;
            m_boundary = AdvanceBoundary(m_hay, m_boundary, candidate);
            if (m_boundary == candidate) {
                m_last = candidate;
                return candidate;
            }
            m_pos = m_boundary;  // candidate + 1, the next boundary
        }
        m_pos = m_size;
        m_last = npos;
        return npos;
    }

    // Continues after the last hit, allowing an occurrence that overlaps it.
    size_t NextOverlapping() {
        if (m_last == npos) return npos;
        m_boundary = m_last;
        m_pos = m_last + 1;
        return Next();
    }

    // Continues at the end of the last hit, which is taken as a fresh boundary (as a new search from there).
    size_t NextAfterMatch() {
        if (m_last == npos) return npos;
        m_pos = m_boundary = m_last + m_needleSize;
        return Next();
    }

private:
    // The next byte position at or after pos where the needle's bytes stand, ignoring boundaries.
    size_t FindCandidate(size_t pos) {
        if (!m_ignoreCase) {
            const void* found = memmem(m_hay + pos, m_size - pos, m_needle, m_needleSize);
            return found == nullptr ? npos : static_cast<size_t>(static_cast<const unsigned char*>(found) - m_hay);
        }
        // Without folding a copy of the page: find the first byte in either case with memchr, keeping the
        // position of the next one of each case so the page is scanned once, then compare the rest folded.
        while (pos + m_needleSize <= m_size) {
            if (!m_lowerKnown || (m_lowerAt != npos && m_lowerAt < pos)) {
                m_lowerAt = Memchr(m_firstLower, pos);
                m_lowerKnown = true;
            }
            if (!m_upperKnown || (m_upperAt != npos && m_upperAt < pos)) {
                m_upperAt = Memchr(m_firstUpper, pos);
                m_upperKnown = true;
            }
            const size_t candidate = m_lowerAt < m_upperAt ? m_lowerAt : m_upperAt;
            if (candidate == npos || candidate + m_needleSize > m_size) return npos;
            if (EqualFolded(candidate)) return candidate;
            pos = candidate + 1;
        }
        return npos;
    }

    size_t Memchr(unsigned char byte, size_t pos) const {
        const void* found = std::memchr(m_hay + pos, byte, m_size - pos);
        return found == nullptr ? npos : static_cast<size_t>(static_cast<const unsigned char*>(found) - m_hay);
    }

    bool EqualFolded(size_t at) const {
        for (size_t i = 1; i < m_needleSize; ++i) {
            unsigned char c = m_hay[at + i];
            if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
            if (c != static_cast<unsigned char>(m_needle[i])) return false;
        }
        return true;
    }

    const unsigned char* m_hay;
    size_t m_size;
    const char* m_needle;
    size_t m_needleSize;
    bool m_ignoreCase;
    std::string m_folded;
    unsigned char m_firstLower = 0;
    unsigned char m_firstUpper = 0;
    size_t m_lowerAt = 0;
    size_t m_upperAt = 0;
    bool m_lowerKnown = false;
    bool m_upperKnown = false;
    size_t m_pos;
    size_t m_boundary;
    size_t m_last = npos;
};

}  // namespace dorvane::detail

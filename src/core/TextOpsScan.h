#pragma once
// The double-byte aware search shared by the text operations. A byte of 0x80 or above starts a two-byte
// character, so an occurrence only counts when it begins on a character boundary. Boundaries can only be
// found by walking forward from a known one; the scanner finds candidates with memmem and advances its
// boundary cursor incrementally, so a whole scan over a page stays linear however many candidates fail.
#include <cstddef>
#include <cstdint>
#include <cstring>
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

    // Searches hay[from, size) for needle (size > 0), with `from` taken as a character boundary.
    AlignedScanner(const char* hay, size_t size, const char* needle, size_t needleSize, size_t from)
        : m_hay(reinterpret_cast<const unsigned char*>(hay)),
          m_size(size),
          m_needle(needle),
          m_needleSize(needleSize),
          m_pos(from),
          m_boundary(from) {}

    // The first occurrence at or after the current position that begins on a boundary, or npos.
    size_t Next() {
        while (m_needleSize <= m_size && m_pos <= m_size - m_needleSize) {
            const void* found = memmem(m_hay + m_pos, m_size - m_pos, m_needle, m_needleSize);
            if (found == nullptr) break;
            const size_t candidate = static_cast<size_t>(static_cast<const unsigned char*>(found) - m_hay);
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
    const unsigned char* m_hay;
    size_t m_size;
    const char* m_needle;
    size_t m_needleSize;
    size_t m_pos;
    size_t m_boundary;
    size_t m_last = npos;
};

}  // namespace dorvane::detail

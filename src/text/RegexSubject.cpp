#include "text/RegexSubject.h"

#include <cstdint>

#include "core/CodePage.h"

namespace dorvane::regex {

namespace {

// GBK to UTF-8 with an exact map back to GBK byte offsets.
//
// Every text a query hands back is cut out of the original GBK subject rather than converted back from
// UTF-8: that costs nothing per group and returns the caller's bytes unchanged, even malformed ones. For
// that the offsets PCRE2 reports (UTF-8) must map back to GBK offsets, so the conversion is done here, one
// GBK character at a time, with a table built once through iconv.
//
// A character is a lead byte 81..FE followed by a trail byte 40..FE other than 7F (the GBK code
// structure), or else one byte. A byte below 80 is itself; a pair GBK assigns a character to becomes that
// character; any other byte or pair becomes "?". PCRE2 therefore always sees valid UTF-8.
class GbkTable {
public:
    static const GbkTable& Instance() {
        static const GbkTable table;
        return table;
    }

    static bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
    static bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

    // UTF-8 bytes of a pair packed little-endian, length in the top byte; 0 when GBK has no character.
    uint32_t Pair(unsigned char lead, unsigned char trail) const { return m_pairs[Index(lead, trail)]; }

private:
    static constexpr int kTrails = 0xFE - 0x40 + 1;
    static size_t Index(unsigned char lead, unsigned char trail) {
        return static_cast<size_t>(lead - 0x81) * kTrails + (trail - 0x40);
    }

    GbkTable() : m_pairs(static_cast<size_t>(0xFE - 0x81 + 1) * kTrails, 0) {
        // One conversion of every pair, each followed by a line feed. A pair iconv rejects comes out as
        // "?" followed by whatever its bytes became on their own, so a valid entry is exactly one
        // character other than "?".
        std::string all;
        all.reserve(m_pairs.size() * 3);
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) continue;
                all += static_cast<char>(lead);
                all += static_cast<char>(trail);
                all += '\n';
            }
        }
        auto utf8 = ConvertCharset(all, "GBK", "UTF-8");
        if (!utf8) return;
        size_t pos = 0;
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) continue;
                size_t end = utf8->find('\n', pos);
                if (end == std::string::npos) return;
                size_t n = end - pos;
                unsigned char first = static_cast<unsigned char>((*utf8)[pos]);
                size_t expected = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
                if (n == expected && n <= 3 && first != '?') {
                    uint32_t packed = static_cast<uint32_t>(n) << 24;
                    for (size_t i = 0; i < n; ++i)
                        packed |= static_cast<uint32_t>(static_cast<unsigned char>((*utf8)[pos + i]))
                                  << (8 * i);
                    m_pairs[Index(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))] =
                        packed;
                }
                pos = end + 1;
            }
        }
    }

    std::vector<uint32_t> m_pairs;
};

// Width in GBK bytes and in UTF-8 bytes of the character at position i.
struct CharSize {
    size_t gbk;
    size_t utf8;
};

inline CharSize SizeAt(const GbkTable& table, const unsigned char* s, size_t n, size_t i) {
    unsigned char b = s[i];
    if (b < 0x80) return {1, 1};
    if (GbkTable::IsLead(b) && i + 1 < n && GbkTable::IsTrail(s[i + 1])) {
        uint32_t packed = table.Pair(b, s[i + 1]);
        return {2, packed ? static_cast<size_t>(packed >> 24) : 1};
    }
    return {1, 1};
}

}  // namespace

void Convert(const Text& gbk, ConvertedText& out, bool withCheckpoints) {
    const GbkTable& table = GbkTable::Instance();
    const auto* s = reinterpret_cast<const unsigned char*>(gbk.data());
    const size_t n = gbk.size();
    out.utf8.clear();
    out.checkUtf8.clear();
    out.checkGbk.clear();
    out.utf8.resize(n * 3 / 2 + 4);
    char* dst = out.utf8.data();
    size_t u = 0;
    size_t nextBlock = 0;
    size_t i = 0;
    while (i < n) {
        if (withCheckpoints && u >= nextBlock) {
            while (nextBlock <= u) {
                out.checkUtf8.push_back(u);
                out.checkGbk.push_back(i);
                nextBlock += ConvertedText::kBlock;
            }
        }
        // Every GBK character is at most 3 UTF-8 bytes from at most 2 GBK bytes; a single byte gives
        // one. Grow when the worst case of the rest would not fit.
        if (out.utf8.size() - u < 4) {
            out.utf8.resize(out.utf8.size() * 2 + 8);
            dst = out.utf8.data();
        }
        unsigned char b = s[i];
        if (b < 0x80) {
            dst[u++] = static_cast<char>(b);
            ++i;
            continue;
        }
        if (GbkTable::IsLead(b) && i + 1 < n && GbkTable::IsTrail(s[i + 1])) {
            uint32_t packed = table.Pair(b, s[i + 1]);
            if (packed) {
                size_t len = packed >> 24;
                for (size_t k = 0; k < len; ++k) dst[u++] = static_cast<char>((packed >> (8 * k)) & 0xFF);
            } else {
                dst[u++] = '?';
            }
            i += 2;
            continue;
        }
        dst[u++] = '?';
        ++i;
    }
    if (withCheckpoints) {
        // Blocks from the last boundary to the end map to the end.
        while (nextBlock <= u) {
            out.checkUtf8.push_back(u);
            out.checkGbk.push_back(n);
            nextBlock += ConvertedText::kBlock;
        }
    }
    out.utf8.resize(u);
}

size_t ToGbk(const ConvertedText& converted, const Text& subject, size_t utf8Offset) {
    const auto& c = converted;
    if (c.checkUtf8.empty()) return 0;
    size_t block = utf8Offset / ConvertedText::kBlock;
    if (block >= c.checkUtf8.size()) block = c.checkUtf8.size() - 1;
    while (block > 0 && c.checkUtf8[block] > utf8Offset) --block;
    size_t u = c.checkUtf8[block];
    size_t g = c.checkGbk[block];
    const GbkTable& table = GbkTable::Instance();
    const auto* s = reinterpret_cast<const unsigned char*>(subject.data());
    const size_t n = subject.size();
    while (u < utf8Offset && g < n) {
        CharSize size = SizeAt(table, s, n, g);
        u += size.utf8;
        g += size.gbk;
    }
    return g;
}

}  // namespace dorvane::regex

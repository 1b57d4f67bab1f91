#include "text/RegexObject.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <vector>

#include "core/CodePage.h"
#include "core/TextOps.h"

namespace dorvane {

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

// The converted subject together with checkpoints for mapping UTF-8 offsets back: for every block of
// kBlock UTF-8 bytes, the first character boundary at or after the block's start, in both encodings.
struct ConvertedText {
    static constexpr size_t kBlock = 256;
    std::string utf8;
    std::vector<size_t> checkUtf8;
    std::vector<size_t> checkGbk;
};

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

size_t Utf8CharLength(unsigned char b) { return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1; }

}  // namespace

struct RegexObject::State {
    Text pattern;  // after the quote-marker replacement; empty when the last search failed
    Text subject;
    ConvertedText converted;
    int groupCount = 0;  // capture groups of the pattern
    bool valid = false;  // the last search compiled
    bool global = true;
    // Per match, (groupCount + 1) pairs of UTF-8 offsets; PCRE2_UNSET for a group that did not take part.
    std::vector<PCRE2_SIZE> offsets;
    size_t matchCount = 0;

    void Clear() {
        pattern.clear();
        subject.clear();
        converted.utf8.clear();
        converted.checkUtf8.clear();
        converted.checkGbk.clear();
        groupCount = 0;
        valid = false;
        offsets.clear();
        matchCount = 0;
    }

    // GBK offset of a UTF-8 offset that lies on a character boundary of the converted subject.
    size_t ToGbk(size_t utf8Offset) const {
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

    // Text of group `group` of match `match` (both 0-based) cut from the GBK subject; false when absent.
    bool Group(size_t match, size_t group, Text& text, long long* position) const {
        if (position) *position = -1;
        if (!valid || match >= matchCount || group > static_cast<size_t>(groupCount)) return false;
        const PCRE2_SIZE* pair = &offsets[(match * (groupCount + 1) + group) * 2];
        if (pair[0] == PCRE2_UNSET || pair[1] == PCRE2_UNSET || pair[1] < pair[0]) return false;
        size_t start = ToGbk(pair[0]);
        size_t end = ToGbk(pair[1]);
        text.assign(subject, start, end - start);
        if (position) *position = static_cast<long long>(start);
        return true;
    }
};

namespace {

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct CompileContextDeleter {
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct JitStackDeleter {
    void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

}  // namespace

RegexObject::RegexObject() : m_state(std::make_unique<State>()) {}
RegexObject::~RegexObject() = default;

bool RegexObject::Search(const Text& pattern, const Text& subject, bool caseSensitive, bool multiline,
                         bool global, bool quoteMarker) {
    State& st = *m_state;
    st.Clear();

    static const Text kQuoteMarker = Gbk("#引号");
    Text effective = quoteMarker ? TextReplace(pattern, kQuoteMarker, "\"") : pattern;

    ConvertedText patternUtf8;
    Convert(effective, patternUtf8, false);

    // The pattern language is the script engine's: "." and "$" treat both CR and LF as line ends (pages
    // come with CRLF), "$" without multiline matches only at the very end, "[^]" matches anything and
    // "\uXXXX" names a character. \w, \d and \s stay ASCII as there.
    uint32_t options = PCRE2_UTF | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_DOLLAR_ENDONLY;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE;

    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> compileContext(
        pcre2_compile_context_create(nullptr));
    if (!compileContext) return false;
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANYCRLF);
    // An escape the script language does not know stands for the character itself there ("\y" is "y"),
    // which matters for markers typed by the user and turned into patterns.
    pcre2_set_compile_extra_options(compileContext.get(),
                                    PCRE2_EXTRA_ALT_BSUX | PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL);

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    std::unique_ptr<pcre2_code, CodeDeleter> code(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(patternUtf8.utf8.data()), patternUtf8.utf8.size(),
                      options | PCRE2_NO_UTF_CHECK, &errorCode, &errorOffset, compileContext.get()));
    if (!code) return false;
    // Without JIT (not available on every platform) the interpreter runs the same pattern, only slower.
    pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);

    uint32_t captures = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);

    std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData(
        pcre2_match_data_create_from_pattern(code.get(), nullptr));
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext(
        pcre2_match_context_create(nullptr));
    if (!matchData || !matchContext) return false;

    st.pattern = effective;
    st.subject = subject;
    st.groupCount = static_cast<int>(captures);
    st.global = global;
    st.valid = true;
    Convert(st.subject, st.converted, true);

    const auto* utf8 = reinterpret_cast<PCRE2_SPTR>(st.converted.utf8.data());
    const PCRE2_SIZE length = st.converted.utf8.size();
    const size_t pairs = captures + 1;
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack;

    PCRE2_SIZE start = 0;
    while (start <= length) {
        int rc = pcre2_match(code.get(), utf8, length, start, PCRE2_NO_UTF_CHECK, matchData.get(),
                             matchContext.get());
        if (rc == PCRE2_ERROR_JIT_STACKLIMIT && !jitStack) {
            // Long lazy spans over a big page can outgrow the default machine stack of the JIT code.
            jitStack.reset(pcre2_jit_stack_create(64 * 1024, 16 * 1024 * 1024, nullptr));
            if (jitStack) {
                pcre2_jit_stack_assign(matchContext.get(), nullptr, jitStack.get());
                continue;
            }
        }
        // No further match, or a limit was reached: keep the matches found so far.
        if (rc < 0) break;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData.get());
        const uint32_t available = pcre2_get_ovector_count(matchData.get());
        for (size_t g = 0; g < pairs; ++g) {
            if (g < available) {
                st.offsets.push_back(ovector[2 * g]);
                st.offsets.push_back(ovector[2 * g + 1]);
            } else {
                st.offsets.push_back(PCRE2_UNSET);
                st.offsets.push_back(PCRE2_UNSET);
            }
        }
        ++st.matchCount;
        if (!global) break;
        PCRE2_SIZE matchStart = ovector[0];
        PCRE2_SIZE matchEnd = ovector[1];
        if (matchEnd > matchStart) {
            start = matchEnd;
        } else {
            // An empty match: go on after the next whole character, as the script engine steps past an
            // empty match (otherwise the same empty match would be found forever).
            if (matchEnd >= length) break;
            start = matchEnd + Utf8CharLength(utf8[matchEnd]);
            if (start > length) start = length;
        }
        // \K can report a match that ends before it starts; never go backwards.
        if (start < matchEnd) start = matchEnd;
    }
    return true;
}

int RegexObject::MatchCount() const { return m_state->valid ? static_cast<int>(m_state->matchCount) : 0; }

Text RegexObject::SubMatchText(int matchIndex, int subIndex, long long* position) const {
    Text text;
    if (position) *position = -1;
    if (matchIndex < 1 || subIndex < 1) return text;
    m_state->Group(static_cast<size_t>(matchIndex - 1), static_cast<size_t>(subIndex), text, position);
    return text;
}

Text RegexObject::MatchText(int matchIndex, long long* position) const {
    Text text;
    if (position) *position = -1;
    if (matchIndex < 1) return text;
    m_state->Group(static_cast<size_t>(matchIndex - 1), 0, text, position);
    return text;
}

int RegexObject::SubMatchCount() const {
    return m_state->valid && m_state->matchCount > 0 ? m_state->groupCount : 0;
}

Text RegexObject::GetPattern() const { return m_state->valid ? m_state->pattern : Text(); }

Text RegexObject::Replace(const Text& replacement) const {
    const State& st = *m_state;
    if (!st.valid) return {};
    if (st.matchCount == 0) return st.subject;
    const size_t groups = static_cast<size_t>(st.groupCount);
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };

    Text result;
    result.reserve(st.subject.size());
    size_t last = 0;
    for (size_t m = 0; m < st.matchCount; ++m) {
        const PCRE2_SIZE* pair = &st.offsets[m * (groups + 1) * 2];
        size_t matchStart = st.ToGbk(pair[0]);
        size_t matchEnd = st.ToGbk(pair[1]);
        if (matchEnd < matchStart) matchEnd = matchStart;
        if (matchStart < last) matchStart = last;
        if (matchEnd < matchStart) matchEnd = matchStart;
        result.append(st.subject, last, matchStart - last);
        // "$" (0x24) and digits are below the smallest GBK trail byte, so a byte-wise scan cannot take
        // the second half of a double-byte character for one of them.
        for (size_t i = 0; i < replacement.size(); ++i) {
            char c = replacement[i];
            if (c != '$' || i + 1 >= replacement.size()) {
                result += c;
                continue;
            }
            char next = replacement[i + 1];
            Text group;
            if (next == '$') {
                result += '$';
                ++i;
            } else if (next == '&') {
                result.append(st.subject, matchStart, matchEnd - matchStart);
                ++i;
            } else if (next == '`') {
                result.append(st.subject, 0, matchStart);
                ++i;
            } else if (next == '\'') {
                result.append(st.subject, matchEnd, Text::npos);
                ++i;
            } else if (isDigit(next)) {
                // Two digits when they name an existing group, else one digit, else a literal "$".
                size_t one = static_cast<size_t>(next - '0');
                size_t two = i + 2 < replacement.size() && isDigit(replacement[i + 2])
                                 ? one * 10 + static_cast<size_t>(replacement[i + 2] - '0')
                                 : 0;
                if (two >= 1 && two <= groups) {
                    st.Group(m, two, group, nullptr);
                    result += group;
                    i += 2;
                } else if (one >= 1 && one <= groups) {
                    st.Group(m, one, group, nullptr);
                    result += group;
                    i += 1;
                } else {
                    result += c;
                }
            } else {
                result += c;
            }
        }
        last = matchEnd;
    }
    result.append(st.subject, last, Text::npos);
    return result;
}

}  // namespace dorvane

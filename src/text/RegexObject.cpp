#include "text/RegexObject.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/CodePage.h"
#include "core/TextOps.h"
#include "text/RegexSubject.h"

namespace dorvane {

using regex::Convert;
using regex::ConvertedText;
using regex::Utf8CharLength;

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

    size_t ToGbk(size_t utf8Offset) const { return regex::ToGbk(converted, subject, utf8Offset); }

    void Expand(const Text& replacement, size_t m, size_t matchStart, size_t matchEnd, Text& result) const;
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

namespace {

using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;

// The pattern language is the script engine's: "." and "$" treat both CR and LF as line ends (pages come
// with CRLF), "$" without multiline matches only at the very end, "[^]" matches anything and "\uXXXX"
// names a character. \w, \d and \s stay ASCII as there. Null when the pattern does not compile.
CodePtr CompileScriptPattern(const std::string& patternUtf8, bool caseSensitive, bool multiline) {
    uint32_t options = PCRE2_UTF | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_DOLLAR_ENDONLY;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE;

    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> compileContext(
        pcre2_compile_context_create(nullptr));
    if (!compileContext) return nullptr;
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANYCRLF);
    // An escape the script language does not know stands for the character itself there ("\y" is "y"),
    // which matters for markers typed by the user and turned into patterns.
    pcre2_set_compile_extra_options(compileContext.get(),
                                    PCRE2_EXTRA_ALT_BSUX | PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL);

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    CodePtr code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(patternUtf8.data()), patternUtf8.size(),
                               options | PCRE2_NO_UTF_CHECK, &errorCode, &errorOffset, compileContext.get()));
    // Without JIT (not available on every platform) the interpreter runs the same pattern, only slower.
    if (code) pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
    return code;
}

// Where the next search starts after a match: after it, or after the next whole character when it was
// empty, as the script engine steps past an empty match (otherwise the same empty match would be found
// forever); past the end when there is nothing left.
PCRE2_SIZE NextStart(const PCRE2_SIZE* ovector, PCRE2_SPTR utf8, PCRE2_SIZE length) {
    const PCRE2_SIZE matchStart = ovector[0];
    const PCRE2_SIZE matchEnd = ovector[1];
    PCRE2_SIZE start = matchEnd;
    if (matchEnd <= matchStart) {
        if (matchEnd >= length) return length + 1;
        start = std::min<PCRE2_SIZE>(matchEnd + Utf8CharLength(utf8[matchEnd]), length);
    }
    // \K can report a match that ends before it starts; never go backwards.
    return std::max(start, matchEnd);
}

// Runs the compiled pattern over the UTF-8 subject (every match, or the first) and appends each match's
// offset pairs; the number of matches, or -1 when the matcher could not be set up.
long CollectMatches(pcre2_code* code, size_t pairs, const std::string& subject, bool global,
                    std::vector<PCRE2_SIZE>& offsets) {
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData(
        pcre2_match_data_create_from_pattern(code, nullptr));
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext(pcre2_match_context_create(nullptr));
    if (!matchData || !matchContext) return -1;
    const auto* utf8 = reinterpret_cast<PCRE2_SPTR>(subject.data());
    const PCRE2_SIZE length = subject.size();
    long matches = 0;
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack;
    PCRE2_SIZE start = 0;
    while (start <= length) {
        int rc = pcre2_match(code, utf8, length, start, PCRE2_NO_UTF_CHECK, matchData.get(), matchContext.get());
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
            offsets.push_back(g < available ? ovector[2 * g] : PCRE2_UNSET);
            offsets.push_back(g < available ? ovector[2 * g + 1] : PCRE2_UNSET);
        }
        ++matches;
        if (!global) break;
        start = NextStart(ovector, utf8, length);
    }
    return matches;
}

}  // namespace

bool RegexObject::Search(const Text& pattern, const Text& subject, bool caseSensitive, bool multiline,
                         bool global, bool quoteMarker) {
    State& st = *m_state;
    st.Clear();

    static const Text kQuoteMarker = Gbk("#引号");
    Text effective = quoteMarker ? TextReplace(pattern, kQuoteMarker, "\"") : pattern;

    ConvertedText patternUtf8;
    Convert(effective, patternUtf8, false);
    const CodePtr code = CompileScriptPattern(patternUtf8.utf8, caseSensitive, multiline);
    if (!code) return false;
    uint32_t captures = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);

    st.pattern = effective;
    st.subject = subject;
    st.groupCount = static_cast<int>(captures);
    st.global = global;
    st.valid = true;
    Convert(st.subject, st.converted, true);
    const long matches = CollectMatches(code.get(), captures + 1, st.converted.utf8, global, st.offsets);
    if (matches < 0) {
        st.Clear();
        return false;
    }
    st.matchCount = static_cast<size_t>(matches);
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

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// The replacement text of match m (its GBK span [matchStart, matchEnd)) with "$$", "$&", "$`", "$'" and
// group numbers expanded, appended to result.
void RegexObject::State::Expand(const Text& replacement, size_t m, size_t matchStart, size_t matchEnd,
                                Text& result) const {
    const size_t groups = static_cast<size_t>(groupCount);
    // "$" (0x24) and digits are below the smallest GBK trail byte, so a byte-wise scan cannot take the
    // second half of a double-byte character for one of them.
    for (size_t i = 0; i < replacement.size(); ++i) {
        const char c = replacement[i];
        const char next = i + 1 < replacement.size() ? replacement[i + 1] : '\0';
        if (c != '$' || next == '\0') {
            result += c;
            continue;
        }
        if (next == '$') {
            result += '$';
        } else if (next == '&') {
            result.append(subject, matchStart, matchEnd - matchStart);
        } else if (next == '`') {
            result.append(subject, 0, matchStart);
        } else if (next == '\'') {
            result.append(subject, matchEnd, Text::npos);
        } else if (IsDigit(next)) {
            // Two digits when they name an existing group, else one digit, else a literal "$".
            const size_t one = static_cast<size_t>(next - '0');
            const size_t two = i + 2 < replacement.size() && IsDigit(replacement[i + 2])
                                   ? one * 10 + static_cast<size_t>(replacement[i + 2] - '0')
                                   : 0;
            const size_t group = two >= 1 && two <= groups ? two : one >= 1 && one <= groups ? one : 0;
            if (group == 0) {
                result += c;
                continue;
            }
            Text text;
            Group(m, group, text, nullptr);
            result += text;
            if (group == two) ++i;
        } else {
            result += c;
            continue;
        }
        ++i;
    }
}

Text RegexObject::Replace(const Text& replacement) const {
    const State& st = *m_state;
    if (!st.valid) return {};
    if (st.matchCount == 0) return st.subject;
    const size_t groups = static_cast<size_t>(st.groupCount);
    Text result;
    result.reserve(st.subject.size());
    size_t last = 0;
    for (size_t m = 0; m < st.matchCount; ++m) {
        const PCRE2_SIZE* pair = &st.offsets[m * (groups + 1) * 2];
        const size_t matchStart = std::max(st.ToGbk(pair[0]), last);
        const size_t matchEnd = std::max(st.ToGbk(pair[1]), matchStart);
        result.append(st.subject, last, matchStart - last);
        st.Expand(replacement, m, matchStart, matchEnd, result);
        last = matchEnd;
    }
    result.append(st.subject, last, Text::npos);
    return result;
}

}  // namespace dorvane

#pragma once
// Regular expressions over GBK text, matching characters rather than bytes: pattern and subject are
// converted to UTF-8 and matched with PCRE2 (UTF mode, JIT); every text handed back is GBK again.
// Indices are 1-based. An object belongs to the thread that created it.
#include <memory>

#include "core/Text.h"

namespace dorvane {

class RegexObject {
public:
    // Neither copied nor moved: it owns its compiled pattern and the last match.
    RegexObject();
    ~RegexObject();

    // False for an invalid pattern (every query is then empty); true otherwise, even with no match.
    // quoteMarker replaces every "#引号" in the pattern by a double quote.
    bool Search(const Text& pattern, const Text& subject, bool caseSensitive = false, bool multiline = true,
                bool global = true, bool quoteMarker = false);
    int MatchCount() const;
    // Capture group subIndex of match matchIndex; empty when either is out of range or the group did not
    // take part. position (optional) receives the 0-based byte offset in the subject of the text handed
    // back (the group's own place, not a search for its text), or -1 when there is no such text.
    Text SubMatchText(int matchIndex, int subIndex, long long* position = nullptr) const;
    Text MatchText(int matchIndex, long long* position = nullptr) const;
    // Number of capture groups of match 1.
    int SubMatchCount() const;
    Text GetPattern() const;
    // The subject of the last search with the matches replaced ($1.. group references, $& the match,
    // $$ a dollar sign); only the first match unless the search was global.
    Text Replace(const Text& replacement) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace dorvane

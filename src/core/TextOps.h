#pragma once
// Text operations on GBK text: 1-based byte positions, -1 for "not found", double-byte aware searches
// (a match never begins on the second byte of a character).
#include "core/Text.h"

namespace dorvane {

// Byte-wise comparison of unsigned bytes: negative, 0 or positive.
int TextCompare(const Text& a, const Text& b);
// As TextCompare when caseSensitive; otherwise ASCII letters compare without case, except a letter that is
// the second byte of a double-byte character (as the C library's multibyte comparison does).
int TextCompareCase(const Text& a, const Text& b, bool caseSensitive);

Text TextLeft(const Text& text, long long n);
Text TextRight(const Text& text, long long n);
Text TextMiddle(const Text& text, long long start, long long n);

// First occurrence of wanted at or after start (below 1 counts as 1); -1 when none. The walk over
// characters starts at start. An empty wanted gives 1 when the searched part is not empty, -1 otherwise.
long long TextFind(const Text& text, const Text& wanted, long long start = 1, bool ignoreCase = false);
// Last occurrence lying wholly within the first start - 1 bytes (the whole text when start is omitted
// (0 or below) or beyond the end; start 1 leaves nothing to search).
long long TextFindBackward(const Text& text, const Text& wanted, long long start = 0, bool ignoreCase = false);
// Replaces from start on (the bytes before it stay unchanged); count < 0 means all occurrences, 0 none.
// After a replacement the search goes on right behind the replaced occurrence, as a new search from there.
Text TextReplace(const Text& text, const Text& wanted, const Text& replacement = {}, long long start = 1,
                 long long count = -1, bool caseSensitive = true);
// maxCount <= 0 means no limit; with a limit, the pieces after the first maxCount are dropped.
TextList TextSplit(const Text& text, const Text& delimiter = ",", long long maxCount = 0);
// Removes leading and trailing ASCII spaces and full-width spaces (A1 A1).
Text TextTrim(const Text& text);
// ASCII letters changed; both bytes of a double-byte character stay unchanged.
Text TextUpper(const Text& text);
Text TextLower(const Text& text);
Text TextRepeat(long long n, const Text& text);
Text Spaces(long long n);
// One-byte text of the low eight bits; the byte 0 gives the empty text (a text ends at its first zero byte).
Text CharacterText(int byteValue);
// Signed byte at a 1-based position; 0 beyond the length or below 1.
int ByteAt(const Text& text, long long position = 1);

}  // namespace dorvane

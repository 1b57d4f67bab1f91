#pragma once
// Text operations on GBK text: 1-based byte positions, -1 for "not found", double-byte aware searches
// (a match never begins on the second byte of a character).
#include "core/Text.h"

namespace dorvane {

// Byte-wise comparison of unsigned bytes: negative, 0 or positive.
int TextCompare(const Text& a, const Text& b);
// As TextCompare when caseSensitive; otherwise ASCII letters compare without case.
int TextCompareCase(const Text& a, const Text& b, bool caseSensitive);

Text TextLeft(const Text& text, long long n);
Text TextRight(const Text& text, long long n);
Text TextMiddle(const Text& text, long long start, long long n);

// First occurrence of wanted at or after start (below 1 counts as 1); -1 when none.
// An empty wanted gives 1 when the searched part is not empty, -1 otherwise.
long long TextFind(const Text& text, const Text& wanted, long long start = 1, bool ignoreCase = false);
// Last occurrence lying wholly within the first start - 1 bytes (the whole text when start is omitted
// (0) or beyond the end).
long long TextFindBackward(const Text& text, const Text& wanted, long long start = 0, bool ignoreCase = false);
// count < 0 means all occurrences.
Text TextReplace(const Text& text, const Text& wanted, const Text& replacement = {}, long long start = 1,
                 long long count = -1, bool caseSensitive = true);
// maxCount <= 0 means no limit.
TextList TextSplit(const Text& text, const Text& delimiter = ",", long long maxCount = 0);
// Removes leading and trailing ASCII spaces and full-width spaces (A1 A1).
Text TextTrim(const Text& text);
Text TextUpper(const Text& text);
Text TextLower(const Text& text);
Text TextRepeat(long long n, const Text& text);
Text Spaces(long long n);
Text CharacterText(int byteValue);
// Signed byte at a 1-based position; 0 beyond the length.
int ByteAt(const Text& text, long long position = 1);

}  // namespace dorvane

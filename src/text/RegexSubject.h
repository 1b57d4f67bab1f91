#pragma once
// The subject of a regular-expression search: GBK text turned into UTF-8 for PCRE2, with a map back from
// UTF-8 offsets to GBK offsets.
#include <cstddef>
#include <string>
#include <vector>

#include "core/Text.h"

namespace dorvane::regex {

// The converted subject together with checkpoints for mapping UTF-8 offsets back: for every block of
// kBlock UTF-8 bytes, the first character boundary at or after the block's start, in both encodings.
struct ConvertedText {
    static constexpr size_t kBlock = 256;
    std::string utf8;
    std::vector<size_t> checkUtf8;
    std::vector<size_t> checkGbk;
};

// Converts GBK text to UTF-8, one character at a time: a byte below 80 is itself, a pair GBK assigns a
// character to becomes that character, anything else becomes "?". With checkpoints, also the map back.
void Convert(const Text& gbk, ConvertedText& out, bool withCheckpoints);

// GBK offset in subject of a UTF-8 offset that lies on a character boundary of its converted form.
size_t ToGbk(const ConvertedText& converted, const Text& subject, size_t utf8Offset);

// Bytes of the UTF-8 character that begins with b.
inline size_t Utf8CharLength(unsigned char b) { return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1; }

}  // namespace dorvane::regex

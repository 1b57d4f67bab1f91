#pragma once
// Digests as hexadecimal text.
#include "core/Text.h"

namespace dorvane {

// CryptoAPI algorithm identifiers understood by HashHex.
constexpr int kCalgMd5 = 0x8003;
constexpr int kCalgSha1 = 0x8004;
constexpr int kCalgSha256 = 0x800C;

// Upper-case hexadecimal digest of hashLength bytes; empty for an unknown algorithm or on failure.
Text HashHex(const Bytes& data, int algorithm, int hashLength);
// MD5 as 32 hex digits (lower case unless upperCase); middle16 gives digits 9 to 24.
Text Md5Hex(const Bytes& data, bool upperCase = false, bool middle16 = false);

}  // namespace dorvane

#pragma once
// Byte-set operations: positions are 1-based and clipped as stated, never failing.
#include <cstdint>

#include "core/Text.h"

namespace dorvane {

Bytes BytesLeft(const Bytes& data, long long n);
// start clipped to 1..length + 1; at most n bytes.
Bytes BytesMiddle(const Bytes& data, long long start, long long n);
Bytes ZeroBytes(long long n);
// As TextReplace on bytes; case always matters, no double-byte rule.
Bytes BytesReplace(const Bytes& data, const Bytes& wanted, const Bytes& replacement = {}, long long start = 1,
                   long long count = -1);
// The bytes up to the first zero byte, as text.
Text BytesToText(const Bytes& data);

enum class ValueKind { Byte, Short, Integer, Long, Float, Number, Boolean };
// Value of the given kind stored at a 1-based position (little-endian); missing bytes read as 0.
double ReadValue(const Bytes& data, ValueKind kind, long long position = 1);

}  // namespace dorvane

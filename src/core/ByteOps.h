#pragma once
// Byte-set operations: positions are 1-based and clipped as stated, never failing.
#include <cstdint>

#include "core/Text.h"

namespace dorvane {

// The first n bytes, n clipped to 0..length.
Bytes BytesLeft(const Bytes& data, long long n);
// start clipped to 1..length + 1; at most n bytes.
Bytes BytesMiddle(const Bytes& data, long long start, long long n);
// n zero bytes; empty for n <= 0.
Bytes ZeroBytes(long long n);
// As TextReplace on bytes; case always matters, no double-byte rule. count < 0 means all.
Bytes BytesReplace(const Bytes& data, const Bytes& wanted, const Bytes& replacement = {}, long long start = 1,
                   long long count = -1);
// The bytes up to the first zero byte, as text.
Text BytesToText(const Bytes& data);

// Byte: unsigned 8 bits; Short, Integer, Long: signed 16, 32, 64 bits (Long exact up to 2^53); Float, Number:
// IEEE 32 and 64 bits; Boolean: 32 bits, any non-zero value is 1.
enum class ValueKind { Byte, Short, Integer, Long, Float, Number, Boolean };
// Value of the given kind stored at a 1-based position (little-endian). Every byte of the value that lies
// outside the data (past the end, or before the start for positions below 1) reads as 0.
double ReadValue(const Bytes& data, ValueKind kind, long long position = 1);

}  // namespace dorvane

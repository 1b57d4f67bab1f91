#pragma once
// Conversions and number operations.
#include <cstdint>
#include <initializer_list>
#include <stdexcept>

#include "core/Text.h"

namespace dorvane {

Text IntegerText(long long value);
// Leading decimal integer (as atoi: leading white space, optional sign, digits; 0 when there is none) after
// full-width characters with a single-byte form are folded. A value beyond 32 bits clamps to INT32_MAX or
// INT32_MIN, as atoi does on the platform this program was first made for.
int32_t ToInteger(const Text& text);
// Truncated toward zero; values beyond 32 bits clamp, NaN gives 0.
int32_t ToInteger(double value);
// Leading decimal number (as atof in the "C" locale, whatever the process locale is) after the same folding.
double ToNumber(const Text& text);
// Upper-case hexadecimal digits without leading zeros ("%X" of the 32-bit value).
Text ToHexText(int32_t value);
// Full-width GBK characters that have a single-byte form (digits, letters, signs, the full-width space)
// replaced by that form.
Text FoldFullWidth(const Text& text);

// Nearest value with that many decimals, halves away from zero; negative digits round to tens, hundreds.
double NearestValue(double value, int digits);
// Floating-point remainder; b == 0 throws RemainderByZero ("不能求余数于零").
struct RemainderByZero : std::domain_error {
    RemainderByZero();
};
double Remainder(double a, double b);

// Bitwise AND / OR of all values; an empty list gives 0.
int32_t BitAnd(std::initializer_list<int32_t> values);
int32_t BitOr(std::initializer_list<int32_t> values);
// The count is taken modulo 32 (also when negative); the right shift keeps the sign.
int32_t ShiftLeft(int32_t value, int count);
int32_t ShiftRight(int32_t value, int count);
// Uniform and inclusive; negative bounds count as 0; bounds given the wrong way round are swapped.
// Thread-safe (one generator per thread).
int32_t RandomInteger(int32_t minimum = 0, int32_t maximum = 2147483647);

}  // namespace dorvane

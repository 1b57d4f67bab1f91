#include "core/Numbers.h"

#include <locale.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <utility>

namespace dorvane {

namespace {

bool IsCSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A "C" numeric locale of our own: the GUI library may switch the process locale to the user's, which would
// make strtod expect a decimal comma.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

Text IntegerText(long long value) { return std::to_string(value); }

Text FoldFullWidth(const Text& text) {
    Text out;
    out.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            continue;
        }
        if (i + 1 >= n) {  // a lone lead byte at the end is just a byte
            out += static_cast<char>(lead);
            break;
        }
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            out += static_cast<char>(trail - 0x80);  // full-width ! .. ~ to 0x21 .. 0x7E
        } else if (lead == 0xA1 && trail == 0xA1) {
            out += ' ';  // full-width space
        } else {
            out += static_cast<char>(lead);
            out += static_cast<char>(trail);
        }
        ++i;
    }
    return out;
}

int32_t ToInteger(const Text& text) {
    const Text folded = FoldFullWidth(text);
    const auto* s = reinterpret_cast<const unsigned char*>(folded.c_str());
    while (IsCSpace(*s)) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    // Accumulate the magnitude and clamp to the 32-bit range, as the C library's atoi does on the platform
    // this program was made for; no digit count can overflow the accumulator.
    constexpr long long limit = 2147483648LL;
    long long magnitude = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        magnitude = magnitude * 10 + (*s - '0');
        if (magnitude > limit) magnitude = limit + 1;
    }
    if (negative) return magnitude >= limit ? std::numeric_limits<int32_t>::min() : static_cast<int32_t>(-magnitude);
    return magnitude >= limit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(magnitude);
}

int32_t ToInteger(double value) {
    // Truncation toward zero; values outside the 32-bit range clamp, NaN gives 0.
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

double ToNumber(const Text& text) {
    const Text folded = FoldFullWidth(text);
    return strtod_l(folded.c_str(), nullptr, CLocale());
}

Text ToHexText(int32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    auto v = static_cast<uint32_t>(value);
    char buffer[8];
    int used = 0;
    do {
        buffer[7 - used++] = digits[v & 0xF];
        v >>= 4;
    } while (v != 0);
    return Text(buffer + 8 - used, static_cast<size_t>(used));
}

double NearestValue(double value, int digits) {
    if (!std::isfinite(value)) return value;
    const double magnitude = std::fabs(value);
    double rounded;
    if (digits >= 0) {
        if (digits > 330) return value;  // finer than any double can hold
        const double scale = std::pow(10.0, digits);
        const double scaled = magnitude * scale;
        // Past 2^52 every double is whole: nothing is left to round at this precision.
        if (!std::isfinite(scaled) || scaled >= 4503599627370496.0) return value;
        rounded = std::floor(scaled + 1e-12 + 0.5) / scale;
    } else {
        if (digits < -330) return std::copysign(0.0, value);
        const double scale = std::pow(10.0, -digits);
        rounded = std::floor(magnitude / scale + 1e-12 + 0.5) * scale;
    }
    return std::copysign(rounded, value);
}

RemainderByZero::RemainderByZero() : std::domain_error(Gbk("不能求余数于零")) {}

double Remainder(double a, double b) {
    if (b == 0) throw RemainderByZero();
    return std::fmod(a, b);
}

int32_t BitAnd(std::initializer_list<int32_t> values) {
    if (values.size() == 0) return 0;
    uint32_t result = 0xFFFFFFFFu;
    for (int32_t v : values) result &= static_cast<uint32_t>(v);
    return static_cast<int32_t>(result);
}

int32_t BitOr(std::initializer_list<int32_t> values) {
    uint32_t result = 0;
    for (int32_t v : values) result |= static_cast<uint32_t>(v);
    return static_cast<int32_t>(result);
}

int32_t ShiftLeft(int32_t value, int count) {
    // `& 31` is the count modulo 32 also for negative counts (two's complement).
    return static_cast<int32_t>(static_cast<uint32_t>(value) << (count & 31));
}

int32_t ShiftRight(int32_t value, int count) {
    return value >> (count & 31);  // arithmetic: the sign is kept
}

int32_t RandomInteger(int32_t minimum, int32_t maximum) {
    if (minimum < 0) minimum = 0;
    if (maximum < 0) maximum = 0;
    if (minimum > maximum) std::swap(minimum, maximum);
    // One generator per thread: workers draw numbers without sharing state.
    thread_local std::mt19937 generator{std::random_device{}()};
    return std::uniform_int_distribution<int32_t>(minimum, maximum)(generator);
}

}  // namespace dorvane

#include "core/ByteOps.h"

#include <cstring>
#include <string.h>  // memmem (GNU)

#include "core/ReplaceFound.h"

namespace dorvane {

namespace {

using detail::ReplaceFound;

size_t ClipCount(long long n, size_t limit) {
    if (n <= 0) return 0;
    return static_cast<unsigned long long>(n) < limit ? static_cast<size_t>(n) : limit;
}

// Occurrences at any byte position, each searched after the previous one.
struct ByteFinder {
    const Bytes& data;
    const Bytes& wanted;
    size_t pos;
    size_t Next() {
        if (pos + wanted.size() > data.size()) return Bytes::npos;
        const void* found = memmem(data.data() + pos, data.size() - pos, wanted.data(), wanted.size());
        if (found == nullptr) return Bytes::npos;
        const size_t hit = static_cast<size_t>(static_cast<const char*>(found) - data.data());
        pos = hit + wanted.size();
        return hit;
    }
    size_t NextAfterMatch() { return Next(); }
};

size_t ValueSize(ValueKind kind) {
    switch (kind) {
        case ValueKind::Byte:
            return 1;
        case ValueKind::Short:
            return 2;
        case ValueKind::Integer:
        case ValueKind::Float:
        case ValueKind::Boolean:
            return 4;
        case ValueKind::Long:
        case ValueKind::Number:
            return 8;
    }
    return 0;
}

}  // namespace

Bytes BytesLeft(const Bytes& data, long long n) { return data.substr(0, ClipCount(n, data.size())); }

Bytes BytesMiddle(const Bytes& data, long long start, long long n) {
    if (start < 1) start = 1;
    const unsigned long long end = data.size() + 1ULL;
    const size_t from = static_cast<unsigned long long>(start) > end ? data.size() : static_cast<size_t>(start - 1);
    return data.substr(from, ClipCount(n, data.size() - from));
}

Bytes ZeroBytes(long long n) {
    if (n <= 0) return {};
    return Bytes(static_cast<size_t>(n), '\0');
}

Bytes BytesReplace(const Bytes& data, const Bytes& wanted, const Bytes& replacement, long long start,
                   long long count) {
    if (data.empty() || wanted.empty() || count == 0) return data;
    if (start < 1) start = 1;
    if (static_cast<unsigned long long>(start) > data.size()) return data;
    ByteFinder finder{data, wanted, static_cast<size_t>(start - 1)};
    return ReplaceFound(data, finder.pos, wanted.size(), replacement, count, finder);
}

Text BytesToText(const Bytes& data) {
    const void* zero = std::memchr(data.data(), 0, data.size());
    if (zero == nullptr) return data;
    return data.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - data.data()));
}

double ReadValue(const Bytes& data, ValueKind kind, long long position) {
    const size_t width = ValueSize(kind);
    unsigned char raw[8] = {};
    // Each byte of the value is copied only when it lies inside the data; the others stay 0. Positions far
    // outside (even near the ends of the long long range) are decided before any arithmetic can overflow.
    const long long size = static_cast<long long>(data.size());
    if (position > -8 && position <= size) {
        for (size_t i = 0; i < width; ++i) {
            const long long index = position - 1 + static_cast<long long>(i);
            if (index >= 0 && index < size) raw[i] = static_cast<unsigned char>(data[static_cast<size_t>(index)]);
        }
    }
    // Values are little-endian, as the data was written on the platform this program was made for.
    uint64_t bits = 0;
    for (size_t i = width; i-- > 0;) bits = (bits << 8) | raw[i];
    switch (kind) {
        case ValueKind::Byte:
            return static_cast<double>(static_cast<uint8_t>(bits));
        case ValueKind::Short:
            return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(bits)));
        case ValueKind::Integer:
            return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(bits)));
        case ValueKind::Long:
            return static_cast<double>(static_cast<int64_t>(bits));
        case ValueKind::Float: {
            const auto word = static_cast<uint32_t>(bits);
            float f;
            std::memcpy(&f, &word, sizeof f);
            return static_cast<double>(f);
        }
        case ValueKind::Number: {
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        case ValueKind::Boolean:
            return bits != 0 ? 1.0 : 0.0;
    }
    return 0;
}

}  // namespace dorvane

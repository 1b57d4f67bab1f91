#include "net/Codecs.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/CodePage.h"
#include "core/TextOps.h"

namespace dorvane {

namespace {

using Units = std::vector<uint16_t>;

Units ToUnits(const Bytes& utf16le) {
    Units units(utf16le.size() / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<uint16_t>(static_cast<unsigned char>(utf16le[2 * i]) |
                                         (static_cast<unsigned char>(utf16le[2 * i + 1]) << 8));
    return units;
}

bool IsHigh(uint16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(uint16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// UTF-16 code units to GBK. GBK holds nothing beyond the basic plane and no surrogate stands for a
// character alone, so a pair and a lone half each become one "?", as does every other character GBK
// cannot hold (iconv's replacement).
Text UnitsToGbk(const Units& units) {
    Bytes bytes;
    bytes.reserve(units.size() * 2);
    auto put = [&bytes](uint16_t u) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    };
    for (size_t i = 0; i < units.size(); ++i) {
        uint16_t u = units[i];
        if (IsHigh(u) && i + 1 < units.size() && IsLow(units[i + 1])) {
            put('?');
            ++i;
        } else if (IsHigh(u) || IsLow(u)) {
            put('?');
        } else {
            put(u);
        }
    }
    auto text = ConvertCharset(bytes, "UTF-16LE", "GBK");
    return text ? *text : Text();
}

int HexValue(uint16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Value of `count` hex digits at units[at], or -1 when they are not all there.
int HexAt(const Units& units, size_t at, size_t count) {
    if (at + count > units.size()) return -1;
    int value = 0;
    for (size_t k = 0; k < count; ++k) {
        int digit = HexValue(units[at + k]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

// The script engine's unescape: "%uXXXX" (four hex digits) and "%XX" (two) give that code unit; anything
// else stays. "\uXXXX" is read the same way as "%uXXXX" (JSON-style escapes).
Units Unescape(const Units& in) {
    Units out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        uint16_t c = in[i];
        if ((c == '%' || c == '\\') && i + 1 < in.size() && in[i + 1] == 'u') {
            int value = HexAt(in, i + 2, 4);
            if (value >= 0) {
                out.push_back(static_cast<uint16_t>(value));
                i += 5;
                continue;
            }
        }
        if (c == '%') {
            int value = HexAt(in, i + 1, 2);
            if (value >= 0) {
                out.push_back(static_cast<uint16_t>(value));
                i += 2;
                continue;
            }
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace

Text Base64Encode(const Bytes& data) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    Text out;
    out.reserve((data.size() + 2) / 3 * 4);
    for (size_t i = 0; i < data.size(); i += 3) {
        size_t left = data.size() - i;
        uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << 16;
        if (left > 1) group |= static_cast<uint32_t>(static_cast<unsigned char>(data[i + 1])) << 8;
        if (left > 2) group |= static_cast<unsigned char>(data[i + 2]);
        out += kAlphabet[(group >> 18) & 0x3F];
        out += kAlphabet[(group >> 12) & 0x3F];
        out += left > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=';
        out += left > 2 ? kAlphabet[group & 0x3F] : '=';
    }
    return out;
}

Text UnescapeText(const Text& text) {
    static const Text kLineBreak = "\r\n";
    static const Text kLineBreakGuard = "{$}";
    static const Text kApostropheGuard = Gbk("’");
    // The protections of the script literal the decoding was once run in are kept, because their effect
    // is visible: a "’" or "{$}" in the input comes back as "'" or CRLF.
    Text prepared = TextReplace(text, kLineBreak, kLineBreakGuard);
    if (!prepared.empty() && prepared[0] == '\r') prepared.erase(0, 1);
    prepared = TextReplace(prepared, "'", kApostropheGuard);

    auto wide = ConvertCharset(prepared, "GBK", "UTF-16LE");
    if (!wide) return {};
    Units units = Unescape(ToUnits(*wide));
    // The decoded text ends at its first zero, as the other decoders' texts do ("%00", "%u0000").
    units.erase(std::find(units.begin(), units.end(), 0), units.end());
    Text decoded = UnitsToGbk(units);

    decoded = TextReplace(decoded, kApostropheGuard, "'");
    return TextReplace(decoded, kLineBreakGuard, kLineBreak);
}

Text DecodeBytes(const Bytes& data) {
    Units units = ToUnits(data);
    size_t begin = 0;
    // The stream reads a byte-order mark as such, not as text.
    if (!units.empty() && units[0] == 0xFEFF) begin = 1;
    size_t end = begin;
    while (end < units.size() && units[end] != 0) ++end;
    return UnitsToGbk(Units(units.begin() + static_cast<std::ptrdiff_t>(begin),
                            units.begin() + static_cast<std::ptrdiff_t>(end)));
}

}  // namespace dorvane

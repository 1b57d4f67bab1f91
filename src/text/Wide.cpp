#include "text/Wide.h"

#include <string>

#include "core/CodePage.h"

namespace dorvane {

namespace {

// iconv name of a Windows code page; empty when there is none.
std::string CharsetName(int codePage) {
    if (codePage == 0 || codePage == kCodePageGbk) return "GBK";
    if (codePage == kCodePageUtf8) return "UTF-8";
    if (codePage <= 0) return {};
    // Windows numbers whose iconv names do not follow the "CP<n>" pattern.
    if (codePage >= 28591 && codePage <= 28599) return "ISO-8859-" + std::to_string(codePage - 28590);
    switch (codePage) {
        case 20127:
            return "ASCII";
        case 1200:
            return "UTF-16LE";
        case 1201:
            return "UTF-16BE";
        case 20936:
            return "GB2312";
        case 54936:
            return "GB18030";
        default:
            return "CP" + std::to_string(codePage);
    }
}

}  // namespace

Bytes TextToWide(const Text& text, int codePage) {
    std::string charset = CharsetName(codePage);
    if (charset.empty()) return {};
    // The text ends at its first zero byte, as a zero-terminated string would.
    Text content = text.substr(0, text.find('\0'));
    if (content.empty()) return {};
    auto wide = ConvertCharset(content, charset.c_str(), "UTF-16LE");
    if (!wide) return {};
    wide->append(2, '\0');
    return *wide;
}

Text WideToText(const Bytes& wide, int codePage) {
    std::string charset = CharsetName(codePage);
    if (charset.empty()) return {};
    // Up to the first zero unit; an odd last byte is not a unit.
    size_t units = wide.size() / 2;
    size_t end = 0;
    while (end < units && (wide[2 * end] != '\0' || wide[2 * end + 1] != '\0')) ++end;
    Bytes units16 = wide.substr(0, end * 2);
    if (charset == "GBK") {
        // GBK holds no character beyond the basic plane: a surrogate pair stands for one character, so it
        // becomes one "?" (iconv would give one for each half).
        Bytes folded;
        folded.reserve(units16.size());
        for (size_t i = 0; i < end; ++i) {
            unsigned unit = static_cast<unsigned char>(units16[2 * i]) |
                            (static_cast<unsigned>(static_cast<unsigned char>(units16[2 * i + 1])) << 8);
            unsigned nextUnit =
                i + 1 < end ? (static_cast<unsigned char>(units16[2 * i + 2]) |
                               (static_cast<unsigned>(static_cast<unsigned char>(units16[2 * i + 3])) << 8))
                            : 0;
            if (unit >= 0xD800 && unit <= 0xDBFF && nextUnit >= 0xDC00 && nextUnit <= 0xDFFF) {
                folded += "?";
                folded += '\0';
                ++i;
            } else {
                folded.append(units16, 2 * i, 2);
            }
        }
        units16.swap(folded);
    }
    auto text = ConvertCharset(units16, "UTF-16LE", charset.c_str());
    return text ? *text : Text();
}

Text Utf8ToGbk(const Text& utf8) { return WideToText(TextToWide(utf8, kCodePageUtf8), kCodePageGbk); }

}  // namespace dorvane

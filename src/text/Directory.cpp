#include "text/Directory.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "core/Files.h"

namespace dorvane {

namespace {

// GBK structure: a lead byte 81..FE and a trail byte 40..FE other than 7F form one character. A trail byte
// may be 5C ("\"), which is then part of the character and no separator; "/" (2F) can never be a trail.
bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// Length of the character at i: 2 for a lead/trail pair, else 1.
size_t CharLength(const Text& text, size_t i) {
    if (IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
        IsTrail(static_cast<unsigned char>(text[i + 1])))
        return 2;
    return 1;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

int MakeDirectories(const Text& path) {
    // Drop separators standing as characters of their own at the end; "/" alone stays the root.
    size_t keep = 0;
    size_t lastNonSeparator = 0;
    for (size_t i = 0; i < path.size();) {
        size_t n = CharLength(path, i);
        if (n == 2 || !IsSeparator(path[i])) lastNonSeparator = i + n;
        i += n;
    }
    if (path.empty()) return ENOENT;
    keep = lastNonSeparator;
    // Only separators: the root itself.
    std::filesystem::path native(keep == 0 ? std::string("/") : NativePath(path.substr(0, keep)));
    std::error_code made;
    std::filesystem::create_directories(native, made);
    std::error_code checked;
    if (std::filesystem::is_directory(native, checked)) return 0;
    if (made) return made.value();
    return checked ? checked.value() : ENOTDIR;
}

Text SafeName(const Text& name) {
    Text safe;
    safe.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        size_t n = CharLength(name, i);
        if (n == 2) {
            safe.append(name, i, 2);
        } else if (IsSeparator(name[i])) {
            safe += '_';
        } else if (name[i] != '\0') {
            safe += name[i];
        }
        i += n;
    }
    // "." and ".." (and any run of dots) name the folder itself or its parent, never a new entry.
    if (!safe.empty() && safe.find_first_not_of('.') == Text::npos) return "_";
    return safe;
}

}  // namespace dorvane

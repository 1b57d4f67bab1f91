#pragma once
// Reading raw response header blocks (CR LF lines) as the transfer layer does: header names compare
// without case, as HTTP has them.
#include <curl/curl.h>

#include <cstring>
#include <optional>
#include <string>

namespace dorvane::net_detail {

inline bool StartsWithNoCase(const std::string& text, size_t pos, const char* prefix) {
    const size_t n = std::strlen(prefix);
    return text.size() - pos >= n && curl_strnequal(text.c_str() + pos, prefix, n);
}

// Walks the lines of a CR LF block; the callback gets each line's start and end.
template <typename Visit>
void ForEachLine(const std::string& block, Visit visit) {
    size_t pos = 0;
    while (pos < block.size()) {
        size_t end = block.find("\r\n", pos);
        if (end == std::string::npos) end = block.size();
        visit(pos, end);
        pos = end + 2;
    }
}

// The value of the first line that starts with `name` (given with its colon), without surrounding blanks;
// nullopt when no line does.
inline std::optional<std::string> FirstHeaderValue(const std::string& block, const char* name) {
    std::optional<std::string> value;
    ForEachLine(block, [&](size_t pos, size_t end) {
        if (value || !StartsWithNoCase(block, pos, name)) return;
        const size_t first = block.find_first_not_of(" \t", pos + std::strlen(name));
        const size_t last = block.find_last_not_of(" \t", end - 1);
        value = first == std::string::npos || first >= end ? std::string()
                                                           : block.substr(first, last + 1 - first);
    });
    return value;
}

}  // namespace dorvane::net_detail

#pragma once
// The replacement walk that the byte and the text replacements share; only how they find an occurrence
// differs (any byte position, or character boundaries only).
#include <string>

namespace dorvane::detail {

// Keeps data[0, from) and copies the rest with each occurrence that the finder reports replaced, at most
// count of them when count > 0. The finder gives positions through Next() for the first and NextAfterMatch()
// for each later one (never inside the previous occurrence), std::string::npos when there are no more.
template <class Finder>
std::string ReplaceFound(const std::string& data, size_t from, size_t wantedSize, const std::string& replacement,
                         long long count, Finder& finder) {
    std::string out;
    out.reserve(data.size());
    out.append(data, 0, from);
    size_t copied = from;
    long long done = 0;
    for (size_t hit = finder.Next(); hit != std::string::npos; hit = finder.NextAfterMatch()) {
        out.append(data, copied, hit - copied);
        out += replacement;
        copied = hit + wantedSize;
        if (count > 0 && ++done >= count) break;
    }
    out.append(data, copied, std::string::npos);
    return out;
}

}  // namespace dorvane::detail

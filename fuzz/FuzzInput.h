#pragma once
// Helpers shared by the fuzz targets: the input as one text, split into parts, and a check that stops the
// run (a crash libFuzzer records) when a parser breaks one of its promises.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace dorvane::fuzz {

// Parts of one input are separated by this byte, so a seed stays a readable text file.
constexpr char kPartSeparator = '\x01';

inline std::string InputText(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// The first `count` parts of the input; missing parts are empty, the last part takes the rest.
inline std::vector<std::string> SplitParts(const uint8_t* data, size_t size, size_t count) {
    std::vector<std::string> parts(count);
    const std::string text = InputText(data, size);
    size_t start = 0;
    for (size_t i = 0; i < count && start <= text.size(); ++i) {
        const size_t end = i + 1 == count ? std::string::npos : text.find(kPartSeparator, start);
        parts[i] = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

[[noreturn]] inline void Broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
    std::abort();
}

}  // namespace dorvane::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::dorvane::fuzz::Broken(#condition, __FILE__, __LINE__))

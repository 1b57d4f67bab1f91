#include "notice/ClientIdentifier.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/Files.h"

namespace dorvane::notice {

namespace {

constexpr size_t kDigits = 16;

bool IsIdentifier(const std::string& text) {
    return text.size() == kDigits && text.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

std::string NewIdentifier() {
    std::random_device device;
    std::mt19937_64 generator((static_cast<uint64_t>(device()) << 32) ^ device());
    std::uniform_int_distribution<int> digit(0, 15);
    std::string id;
    for (size_t i = 0; i < kDigits; ++i) id += "0123456789ABCDEF"[digit(generator)];
    return id;
}

}  // namespace

std::string ConfigFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/dorvane";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config/dorvane";
    return {};
}

Text ClientIdentifier(const std::string& folder) {
    const std::filesystem::path file = std::filesystem::path(folder) / "client-id";
    if (!folder.empty()) {
        std::ifstream in(file);
        std::string stored;
        if (in >> stored && IsIdentifier(stored)) return stored;
    }
    const std::string id = NewIdentifier();
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        // Staged and renamed, so a crash never leaves half an identifier behind.
        WriteFile(file.string(), Bytes(id + "\n"));
    }
    return id;
}

}  // namespace dorvane::notice

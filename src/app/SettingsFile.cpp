#include "app/SettingsFile.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

namespace dorvane {

namespace {

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n\f\v";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

char Escaped(char c) {
    switch (c) {
        case 'n':
            return '\n';
        case 't':
            return '\t';
        case 'r':
            return '\r';
        default:
            return c;
    }
}

// A value as written: a quoted part keeps its ';' and escapes, an unquoted ';' starts a comment. Blanks
// around the value go, as the window's reader drops them.
std::string ValueText(const std::string& raw) {
    std::string value;
    bool quoted = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted && c == '\\' && i + 1 < raw.size()) {
            value += Escaped(raw[++i]);
        } else if (!quoted && c == ';') {
            break;
        } else {
            value += c;
        }
    }
    return Trimmed(value);
}

std::string Apply(Settings& settings, const std::string& key, const std::string& value) {
    return ApplySetting(settings, Trimmed(key), Trimmed(value));
}

}  // namespace

std::string DefaultSettingsPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home ? home : "") + "/.config";
    }
    return folder + "/dorvane/dorvane.ini";
}

std::vector<std::pair<std::string, std::string>> ParseSettingsText(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::istringstream lines(text);
    std::string line;
    std::string section;
    while (std::getline(lines, line)) {
        line = Trimmed(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = Trimmed(line.substr(1, line.size() - 2));
            if (section == "General") section.clear();
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        const std::string key = Trimmed(line.substr(0, equals));
        if (key.empty()) continue;
        pairs.emplace_back(section.empty() ? key : section + "/" + key, ValueText(line.substr(equals + 1)));
    }
    return pairs;
}

std::vector<std::string> ApplySettingsFile(const std::string& path, bool mustExist, Settings& settings) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (mustExist) return {path + ": no such settings file"};
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in || !S_ISREG(info.st_mode)) return {path + ": cannot be read as a settings file"};
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> problems;
    for (const auto& [key, value] : ParseSettingsText(text)) {
        const std::string problem = Apply(settings, key, value);
        if (!problem.empty()) problems.push_back(path + ": " + problem);
    }
    return problems;
}

std::vector<std::string> ApplySettingOverrides(const std::vector<std::string>& overrides, Settings& settings) {
    std::vector<std::string> problems;
    for (const std::string& pair : overrides) {
        const size_t equals = pair.find('=');
        if (equals == std::string::npos || Trimmed(pair.substr(0, equals)).empty()) {
            problems.push_back("--set " + pair + ": not KEY=VALUE");
            continue;
        }
        const std::string problem = Apply(settings, pair.substr(0, equals), pair.substr(equals + 1));
        if (!problem.empty()) problems.push_back("--set " + problem);
    }
    return problems;
}

}  // namespace dorvane

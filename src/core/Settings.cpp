#include "core/Settings.h"

#include <cctype>
#include <cstdlib>

namespace dorvane {

Settings BuiltInSettings() {
    Settings s;
    s.noticeHost = DORVANE_NOTICE_HOST;
    s.noticeDocument = DORVANE_NOTICE_DOCUMENT;
    s.catalogueHost = DORVANE_CATALOGUE_HOST;
    s.cataloguePort = DORVANE_CATALOGUE_PORT;
    s.archivePassword = DORVANE_ARCHIVE_PASSWORD;
    s.contactLineUtf8 = DORVANE_CONTACT_LINE;
    return s;
}

namespace {

// A whole number from low to high written in decimal digits only.
std::optional<int> ParseCount(const std::string& text, int low, int high) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(text);
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<double> ParseRate(const std::string& text) {
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    const double rate = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || rate > 1000) return std::nullopt;
    return rate;
}

std::optional<bool> ParseSwitch(const std::string& text) {
    std::string lower;
    for (unsigned char c : text) lower += static_cast<char>(std::tolower(c));
    if (lower == "true" || lower == "on" || lower == "yes" || lower == "1") return true;
    if (lower == "false" || lower == "off" || lower == "no" || lower == "0") return false;
    return std::nullopt;
}

// The transfer and collection keys; nullopt when the key is not one of them.
std::optional<std::string> ApplyTransferSetting(Settings& settings, const std::string& key,
                                                const std::string& value) {
    const auto malformed = [&](const char* what) { return key + ": \"" + value + "\" is not " + what; };
    if (key == "network/retries") {
        const std::optional<int> retries = ParseCount(value, 0, 10);
        if (!retries) return malformed("a number of retries from 0 to 10");
        settings.retries = *retries;
    } else if (key == "network/rate-limit") {
        const std::optional<double> rate = ParseRate(value);
        if (!rate) return malformed("a number of requests per second (0 for no limit, at most 1000)");
        settings.requestsPerSecond = *rate;
    } else if (key == "network/parallel") {
        const std::optional<int> parallel = ParseCount(value, 1, 16);
        if (!parallel) return malformed("a number of transfers from 1 to 16");
        settings.parallel = *parallel;
    } else if (key == "network/max-body-mb") {
        const std::optional<int> megabytes = ParseCount(value, 1, 16384);
        if (!megabytes) return malformed("a size in megabytes from 1 to 16384");
        settings.maxBodyBytes = static_cast<long long>(*megabytes) * 1024 * 1024;
    } else if (key == "collect/skip-existing") {
        const std::optional<bool> skip = ParseSwitch(value);
        if (!skip) return malformed("true or false");
        settings.skip = *skip ? Settings::Skip::Existing : Settings::Skip::None;
    } else if (key == "collect/skip") {
        if (value != "none" && value != "existing" && value != "history")
            return malformed("none, existing or history");
        settings.skip = value == "existing"  ? Settings::Skip::Existing
                        : value == "history" ? Settings::Skip::Recorded
                                             : Settings::Skip::None;
    } else if (key == "history/file") {
        settings.historyFile = value;
    } else {
        return std::nullopt;
    }
    return std::string();
}

}  // namespace

std::optional<int> ParsePort(const std::string& text) {
    if (text.size() > 5) return std::nullopt;
    return ParseCount(text, 1, 65535);
}

bool IsValidHost(const std::string& host) {
    const size_t colon = host.rfind(':');
    const std::string name = colon == std::string::npos ? host : host.substr(0, colon);
    if (colon != std::string::npos && !ParsePort(host.substr(colon + 1))) return false;
    if (name.empty() || name.size() > 253) return false;
    // Letters, digits, dots and hyphens: a host name or a dotted address, nothing that makes it an address.
    for (unsigned char c : name) {
        if (!(std::isalnum(c) || c == '.' || c == '-')) return false;
    }
    return name.front() != '.' && name.front() != '-';
}

std::vector<std::string> SettingKeys(const Settings& settings) {
    std::vector<std::string> keys;
    for (const auto& [site, host] : settings.siteHosts) keys.push_back("sites/" + site);
    for (const char* key : {"notice/host", "notice/document", "catalogue/host", "catalogue/port", "network/retries",
                            "network/rate-limit", "network/parallel", "network/max-body-mb", "collect/skip",
                            "collect/skip-existing", "history/file"})
        keys.emplace_back(key);
    return keys;
}

std::string ApplySetting(Settings& settings, const std::string& key, const std::string& value) {
    const auto malformed = [&](const char* what) { return key + ": \"" + value + "\" is not " + what; };
    if (key.rfind("sites/", 0) == 0 && settings.siteHosts.count(key.substr(6)) != 0) {
        if (!IsValidHost(value)) return malformed("a host (name or address, optionally :port)");
        settings.siteHosts[key.substr(6)] = value;
    } else if (key == "notice/host" || key == "catalogue/host") {
        if (!IsValidHost(value)) return malformed("a host (name or address, optionally :port)");
        (key == "notice/host" ? settings.noticeHost : settings.catalogueHost) = value;
    } else if (key == "notice/document") {
        const bool plain = !value.empty() && value.find_first_not_of(
                                                 "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstu"
                                                 "vwxyz0123456789-_.") == std::string::npos;
        if (!plain) return malformed("a document identifier (letters, digits, - _ .)");
        settings.noticeDocument = value;
    } else if (key == "catalogue/port") {
        const std::optional<int> port = ParsePort(value);
        if (!port) return malformed("a port from 1 to 65535");
        settings.cataloguePort = *port;
    } else if (std::optional<std::string> message = ApplyTransferSetting(settings, key, value)) {
        return *message;
    } else {
        return key + ": unknown setting";
    }
    return {};
}

}  // namespace dorvane

#include "core/Settings.h"

#include <cctype>

namespace dorvane {

namespace {

Settings BuiltIn() {
    Settings s;
    s.siteHosts = {DORVANE_SITE_A_HOST, DORVANE_SITE_B_HOST, DORVANE_SITE_C_HOST, DORVANE_SITE_D_HOST,
                   DORVANE_SITE_E_HOST};
    s.noticeHost = DORVANE_NOTICE_HOST;
    s.noticeDocument = DORVANE_NOTICE_DOCUMENT;
    s.catalogueHost = DORVANE_CATALOGUE_HOST;
    s.cataloguePort = DORVANE_CATALOGUE_PORT;
    s.archivePassword = DORVANE_ARCHIVE_PASSWORD;
    s.contactLineUtf8 = DORVANE_CONTACT_LINE;
    return s;
}

}  // namespace

Settings& MutableSettings() {
    static Settings* settings = new Settings(BuiltIn());
    return *settings;
}

const Settings& CurrentSettings() { return MutableSettings(); }

std::optional<int> ParsePort(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int port = std::stoi(text);
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
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

const std::vector<std::string>& SettingKeys() {
    static const std::vector<std::string> keys = {"sites/a",         "sites/b",        "sites/c",
                                                  "sites/d",         "sites/e",        "notice/host",
                                                  "notice/document", "catalogue/host", "catalogue/port"};
    return keys;
}

std::string ApplySetting(Settings& settings, const std::string& key, const std::string& value) {
    const auto malformed = [&](const char* what) { return key + ": \"" + value + "\" is not " + what; };
    if (key.rfind("sites/", 0) == 0 && key.size() == 7 && key[6] >= 'a' && key[6] <= 'e') {
        if (!IsValidHost(value)) return malformed("a host (name or address, optionally :port)");
        settings.siteHosts[static_cast<size_t>(key[6] - 'a')] = value;
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
    } else {
        return key + ": unknown setting";
    }
    return {};
}

}  // namespace dorvane

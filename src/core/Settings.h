#pragma once
// Build-time settings (CMake cache variables DORVANE_*). Tests replace them at run time through
// MutableSettings() before they start any routine.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/SitePage.h"

namespace dorvane {

struct Settings {
    // Host names, optionally with ":port"; plain ASCII.
    std::array<std::string, kSiteCount> siteHosts;
    std::string noticeHost;
    std::string noticeDocument;
    std::string catalogueHost;
    int cataloguePort = 0;
    std::string archivePassword;
    std::string contactLineUtf8;

    // Transfers. A failed connection or a 429/5xx answer is tried again this many times.
    int retries = 3;
    // Requests per second to one host; 0 means no limit.
    double requestsPerSecond = 0;
    // A body beyond this many bytes is abandoned as a failed fetch.
    long long maxBodyBytes = 256LL * 1024 * 1024;
    // An album image whose final file exists and is not empty is not fetched again.
    bool skipExisting = false;

    const std::string& SiteHost(Site site) const { return siteHosts[static_cast<int>(site)]; }
    // "http://" + host, no trailing slash.
    std::string SiteHome(Site site) const { return "http://" + SiteHost(site); }
};

const Settings& CurrentSettings();
Settings& MutableSettings();

// A host setting: a name or address with an optional ":port" (1 to 65535), nothing else: no scheme, path,
// query, user part or blank.
bool IsValidHost(const std::string& host);
// A port from 1 to 65535 written in decimal digits only.
std::optional<int> ParsePort(const std::string& text);

// The keys a settings file and the command line use: "sites/a" .. "sites/e", "notice/host",
// "notice/document", "catalogue/host", "catalogue/port", "network/retries", "network/rate-limit",
// "network/max-body-mb", "collect/skip-existing".
const std::vector<std::string>& SettingKeys();
// Sets one value; an unknown key or a malformed value leaves the settings as they were and returns a
// message naming the key and the value; empty when applied.
std::string ApplySetting(Settings& settings, const std::string& key, const std::string& value);

}  // namespace dorvane

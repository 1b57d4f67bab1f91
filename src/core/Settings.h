#pragma once
// Build-time settings (CMake cache variables DORVANE_*). Tests replace them at run time through
// MutableSettings() before they start any routine.
#include <map>
#include <optional>
#include <string>
#include <vector>


namespace dorvane {

struct Settings {
    // Host names, optionally with ":port"; plain ASCII. Keyed by the site's key ("a"); a site without an
    // entry is at its build-time default host.
    std::map<std::string, std::string> siteHosts;
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
    // Transfers a collection keeps in flight ahead of the image it shows (1 to 16). One asks for one thing
    // at a time with the fixed waits between, as a plain loop would; above one the viewer also fetches the
    // album's next image ahead.
    int parallel = 1;
    // A body beyond this many bytes is abandoned as a failed fetch.
    long long maxBodyBytes = 256LL * 1024 * 1024;
    // An album image whose final file exists and is not empty is not fetched again.
    bool skipExisting = false;

    // The site's host; empty when the settings name none for it.
    std::string SiteHost(const std::string& key) const {
        const auto found = siteHosts.find(key);
        return found == siteHosts.end() ? std::string() : found->second;
    }
};

const Settings& CurrentSettings();
Settings& MutableSettings();

// A host setting: a name or address with an optional ":port" (1 to 65535), nothing else: no scheme, path,
// query, user part or blank.
bool IsValidHost(const std::string& host);
// A port from 1 to 65535 written in decimal digits only.
std::optional<int> ParsePort(const std::string& text);

// The keys a settings file and the command line use: "sites/<key>" for every site the settings hold a
// host for, "notice/host", "notice/document", "catalogue/host", "catalogue/port", "network/retries",
// "network/rate-limit", "network/parallel", "network/max-body-mb", "collect/skip-existing".
std::vector<std::string> SettingKeys(const Settings& settings);
// Sets one value; an unknown key (a site the settings hold no host for among them) or a malformed value
// leaves the settings as they were and returns a message naming the key and the value; empty when applied.
std::string ApplySetting(Settings& settings, const std::string& key, const std::string& value);

}  // namespace dorvane

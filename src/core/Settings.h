#pragma once
// The program's settings as a plain value: the build-time defaults (CMake cache variables DORVANE_*), the
// settings file and the command line read into it once at start-up. Whoever starts a part of the program
// hands that part the values it needs; tests hand their own.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/NetworkLimits.h"

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
    int retries = NetworkLimits().retries;
    // Requests per second to one host; 0 means no limit.
    double requestsPerSecond = NetworkLimits().requestsPerSecond;
    // Transfers a collection keeps in flight ahead of the image it shows (1 to 16). One asks for one thing
    // at a time with the fixed waits between, as a plain loop would; above one the viewer also fetches the
    // album's next image ahead.
    int parallel = 1;
    // A body beyond this many bytes is abandoned as a failed fetch.
    long long maxBodyBytes = NetworkLimits().maxBodyBytes;
    // What a collection leaves out as collected before: nothing; an album image whose final file exists and
    // is not empty; an image whose address the history has recorded (not asked for at all).
    enum class Skip { None, Existing, Recorded };
    Skip skip = Skip::None;
    // The history file: none set means its default place, an empty one no history.
    std::optional<std::string> historyFile;

    // The site's host; empty when the settings name none for it.
    std::string SiteHost(const std::string& key) const {
        const auto found = siteHosts.find(key);
        return found == siteHosts.end() ? std::string() : found->second;
    }
    // The transfer limits, as the fetch paths take them.
    NetworkLimits Network() const { return {retries, requestsPerSecond, maxBodyBytes}; }
};

// The build-time defaults (no site hosts: those defaults are the site registry's).
Settings BuiltInSettings();

// A host setting: a name or address with an optional ":port" (1 to 65535), nothing else: no scheme, path,
// query, user part or blank.
bool IsValidHost(const std::string& host);
// A port from 1 to 65535 written in decimal digits only.
std::optional<int> ParsePort(const std::string& text);

// The keys a settings file and the command line use: "sites/<key>" for every site the settings hold a
// host for, "notice/host", "notice/document", "catalogue/host", "catalogue/port", "network/retries",
// "network/rate-limit", "network/parallel", "network/max-body-mb", "collect/skip" (none, existing,
// history), "collect/skip-existing" (its old form), "history/file".
std::vector<std::string> SettingKeys(const Settings& settings);
// Sets one value; an unknown key (a site the settings hold no host for among them) or a malformed value
// leaves the settings as they were and returns a message naming the key and the value; empty when applied.
std::string ApplySetting(Settings& settings, const std::string& key, const std::string& value);

}  // namespace dorvane

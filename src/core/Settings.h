#pragma once
// Build-time settings (CMake cache variables DORVANE_*). Tests replace them at run time through
// MutableSettings() before they start any routine.
#include <array>
#include <string>

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

    const std::string& SiteHost(Site site) const { return siteHosts[static_cast<int>(site)]; }
    // "http://" + host, no trailing slash.
    std::string SiteHome(Site site) const { return "http://" + SiteHost(site); }
};

const Settings& CurrentSettings();
Settings& MutableSettings();

}  // namespace dorvane

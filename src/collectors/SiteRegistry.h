#pragma once
// The one list of sites. The window's tabs, the settings keys ("sites/<key>"), the command line's site
// names and the demo all take their sites from here, in this order (the order of the tab pages).
#include <memory>
#include <string>
#include <vector>

#include "collectors/SiteDescription.h"
#include "core/Settings.h"

namespace dorvane {

struct SiteEntry {
    std::string key{};                 // "a": the settings key "sites/a" and a command-line name
    std::vector<std::string> names{};  // further command-line names ("lumeri")
    std::string tabCaption{};          // UTF-8
    std::string previewCaption{};      // UTF-8, the preview group's title
    std::string defaultHost{};         // build-time default, "name" or "name:port"
    bool tls = false;               // served over HTTPS (the demo serves it so)
    bool coverAreas = false;        // the viewer's click areas of a cover-addressed page
    std::unique_ptr<SiteDescription> (*describe)(HostSource host) = nullptr;
};

const std::vector<SiteEntry>& Sites();

// Every name a site answers to on the command line: the keys, then the further names, in the list's order.
std::string SiteNameList();

// The position of the site with that key or name (case-sensitive), -1 when none has it.
int FindSite(const std::string& name);

// The settings with a host for every site: the build-time default where they name none.
void AddSiteHosts(Settings& settings);
// The build-time settings with every site's default host: what a run starts from before its settings file.
Settings DefaultSettings();

// The site's description, asking `host` for its host whenever it fetches; an empty source gives the
// build-time default host.
std::unique_ptr<SiteDescription> DescribeSite(int position, HostSource host);
// The site's description at the host these settings name for it (the build-time default where they name
// none), taken as it is now.
std::unique_ptr<SiteDescription> DescribeSite(int position, const Settings& settings);

}  // namespace dorvane

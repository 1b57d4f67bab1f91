#include "collectors/SiteRegistry.h"

#include <algorithm>
#include <utility>

#include "collectors/SiteA.h"
#include "collectors/SiteB.h"
#include "collectors/SiteC.h"
#include "collectors/SiteD.h"
#include "collectors/SiteE.h"

namespace dorvane {

namespace {

const char* kLargeImages = "图片预览(图片过大时加载较慢，请耐心等待)";

}  // namespace

const std::vector<SiteEntry>& Sites() {
    static const std::vector<SiteEntry> sites = [] {
        std::vector<SiteEntry> list;
        list.push_back({.key = "a",
                        .names = {"lumeri"},
                        .tabCaption = "Lumeri",
                        .previewCaption = "图片预览（Lumeri网最近不稳定，时好时坏）",
                        .defaultHost = DORVANE_SITE_A_HOST,
                        .tls = true,
                        .describe = sitea::Describe});
        list.push_back({.key = "b",
                        .names = {"tavesh"},
                        .tabCaption = "Tavesh",
                        .previewCaption = "图片预览",
                        .defaultHost = DORVANE_SITE_B_HOST,
                        .tls = true,
                        .coverAreas = true,
                        .describe = siteb::Describe});
        list.push_back({.key = "c",
                        .names = {"cosplay"},
                        .tabCaption = "Cosplay",
                        .previewCaption = kLargeImages,
                        .defaultHost = DORVANE_SITE_C_HOST,
                        .describe = sitec::Describe});
        list.push_back({.key = "d",
                        .tabCaption = "二次元",
                        .previewCaption = kLargeImages,
                        .defaultHost = DORVANE_SITE_D_HOST,
                        .describe = sited::Describe});
        list.push_back({.key = "e",
                        .tabCaption = "漫图",
                        .previewCaption = kLargeImages,
                        .defaultHost = DORVANE_SITE_E_HOST,
                        .describe = sitee::Describe});
        return list;
    }();
    return sites;
}

std::string SiteNameList() {
    std::vector<std::string> names;
    for (const SiteEntry& site : Sites()) names.push_back(site.key);
    for (const SiteEntry& site : Sites()) names.insert(names.end(), site.names.begin(), site.names.end());
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list;
}

int FindSite(const std::string& name) {
    const std::vector<SiteEntry>& sites = Sites();
    for (size_t i = 0; i < sites.size(); ++i) {
        const SiteEntry& site = sites[i];
        if (site.key == name || std::find(site.names.begin(), site.names.end(), name) != site.names.end())
            return static_cast<int>(i);
    }
    return -1;
}

void AddSiteHosts(Settings& settings) {
    for (const SiteEntry& site : Sites()) settings.siteHosts.emplace(site.key, site.defaultHost);
}

Settings DefaultSettings() {
    Settings settings = BuiltInSettings();
    AddSiteHosts(settings);
    return settings;
}

std::unique_ptr<SiteDescription> DescribeSite(int position, HostSource host) {
    const SiteEntry& site = Sites().at(static_cast<size_t>(position));
    if (!host) host = [&site] { return Text(site.defaultHost); };
    return site.describe(std::move(host));
}

std::unique_ptr<SiteDescription> DescribeSite(int position, const Settings& settings) {
    const SiteEntry& site = Sites().at(static_cast<size_t>(position));
    const std::string named = settings.SiteHost(site.key);
    return DescribeSite(position, [host = Text(named.empty() ? site.defaultHost : named)] { return host; });
}

}  // namespace dorvane

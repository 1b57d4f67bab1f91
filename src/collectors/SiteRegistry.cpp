#include "collectors/SiteRegistry.h"

#include <algorithm>

#include "collectors/SiteA.h"
#include "collectors/SiteB.h"
#include "collectors/SiteC.h"
#include "collectors/SiteD.h"
#include "collectors/SiteE.h"
#include "core/Settings.h"

namespace dorvane {

namespace {

const char* kLargeImages = "图片预览(图片过大时加载较慢，请耐心等待)";

}  // namespace

const std::vector<SiteEntry>& Sites() {
    static const std::vector<SiteEntry> sites = [] {
        std::vector<SiteEntry> list;
        list.push_back({"a", {"lumeri"}, "Lumeri", "图片预览（Lumeri网最近不稳定，时好时坏）",
                        DORVANE_SITE_A_HOST, true, false, sitea::Describe});
        list.push_back({"b", {"tavesh"}, "Tavesh", "图片预览", DORVANE_SITE_B_HOST, true, true, siteb::Describe});
        list.push_back({"c", {"cosplay"}, "Cosplay", kLargeImages, DORVANE_SITE_C_HOST, false, false,
                        sitec::Describe});
        list.push_back({"d", {}, "二次元", kLargeImages, DORVANE_SITE_D_HOST, false, false, sited::Describe});
        list.push_back({"e", {}, "漫图", kLargeImages, DORVANE_SITE_E_HOST, false, false, sitee::Describe});
        return list;
    }();
    return sites;
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

std::unique_ptr<SiteDescription> DescribeSite(int position) {
    const SiteEntry& site = Sites().at(static_cast<size_t>(position));
    return site.describe([&site] {
        const std::string host = CurrentSettings().SiteHost(site.key);
        return Text(host.empty() ? site.defaultHost : host);
    });
}

}  // namespace dorvane

#include "collectors/SiteE.h"

#include "collectors/DirectSite.h"
#include "collectors/SiteFetch.h"
#include "core/Settings.h"
#include "text/Markers.h"

namespace dorvane::sitee {

namespace {

constexpr Site kSite = Site::E;
constexpr const char* kListingPattern =
    R"re(<a target="_blank" class="dec_img" href="([\s\S]*?)" title="([\s\S]*?)">)re";
// The end marker is the bare "jpg": a link to another image type runs on to the next "jpg" and is then
// nearly always this long or longer.
constexpr long long kLinkLimit = 100;

Text Home() { return CurrentSettings().SiteHome(kSite); }

}  // namespace

Text FirstListingUrl() { return ListingUrl("1"); }
Text ListingUrl(const Text& page) { return Home() + "/meituxinshang/p" + page + ".html"; }

Text PageNumberText(const Text& firstListingPage) {
    static const Text end = Gbk(".html\">尾页</a>");
    return TextBetween(firstListingPage, "</a><a class=\"first\" href=\"/meituxinshang/p", end, 1, true);
}

AlbumEntries ParseListing(const Text& listingPage) { return MatchAlbums(kListingPattern, listingPage); }

TextList ImageLinks(const Text& albumPage) {
    static const Text sectionEnd = Gbk(">标签：</span>");
    const Text section = TextBetween(albumPage, "news_content_con", sectionEnd, 1, true);
    TextList links;
    TextBetweenAll(section, " src=\"", "jpg", links, false, kLinkLimit, {}, "jpg");
    return links;
}

SiteRoutines Routines() {
    DirectSite site;
    site.site = kSite;
    site.firstListingUrl = FirstListingUrl;
    site.pageNumberText = PageNumberText;
    site.fetchListing = [](const Text& page) { return ParseListing(FetchPage(ListingUrl(page))); };
    site.viewerImageLinks = ImageLinks;
    site.workerImageLinks = ImageLinks;
    // No header of its own: the fetcher's defaults go out alone.
    return DirectSiteRoutines(site);
}

}  // namespace dorvane::sitee

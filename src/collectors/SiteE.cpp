#include "collectors/SiteE.h"

#include "collectors/PageWorker.h"
#include "collectors/Viewer.h"
#include "core/Settings.h"
#include "net/HttpFetch.h"
#include "text/Markers.h"
#include "text/RegexObject.h"

namespace dorvane::sitee {

namespace {

constexpr Site kSite = Site::E;
constexpr const char* kListingPattern =
    R"re(<a target="_blank" class="dec_img" href="([\s\S]*?)" title="([\s\S]*?)">)re";
// The end marker is the bare "jpg": a link to another image type runs on to the next "jpg" and is then
// nearly always this long or longer.
constexpr long long kLinkLimit = 100;

Text Home() { return CurrentSettings().SiteHome(kSite); }

// No header of its own: the fetcher's defaults go out alone.
ViewerAddressing SiteAddressing() { return {Addressing::Direct, {}}; }

}  // namespace

Text FirstListingUrl() { return ListingUrl("1"); }
Text ListingUrl(const Text& page) { return Home() + "/meituxinshang/p" + page + ".html"; }

Text PageNumberText(const Text& firstListingPage) {
    static const Text end = Gbk(".html\">尾页</a>");
    return TextBetween(firstListingPage, "</a><a class=\"first\" href=\"/meituxinshang/p", end, 1, true);
}

AlbumEntries ParseListing(const Text& listingPage) {
    AlbumEntries albums;
    RegexObject regex;
    regex.Search(kListingPattern, listingPage);
    const int count = regex.MatchCount();
    albums.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) albums.push_back({regex.SubMatchText(i, 2), regex.SubMatchText(i, 1)});
    return albums;
}

TextList ImageLinks(const Text& albumPage) {
    static const Text sectionEnd = Gbk(">标签：</span>");
    const Text section = TextBetween(albumPage, "news_content_con", sectionEnd, 1, true);
    TextList links;
    TextBetweenAll(section, " src=\"", "jpg", links, false, kLinkLimit, {}, "jpg");
    return links;
}

void PageLoader(MainControls& controls) {
    FillPageSelector(controls.Page(kSite), PageNumberText(HttpFetch(FirstListingUrl())));
    ListingLoad(controls);
}

void ListingLoad(MainControls& controls) {
    SitePage& page = controls.Page(kSite);
    const Text url = ListingUrl(BeginListingLoad(page));
    AppendAlbums(page, ParseListing(HttpFetch(url)));
}

void AlbumOpen(MainControls& controls) { OpenAlbumDirect(controls, kSite, ImageLinks, SiteAddressing()); }

void PageWorker(MainControls& controls) {
    PageWorkerSite site;
    site.site = kSite;
    site.albumImages = [](int album, const Text&) { return FetchAlbumImages(album, ImageLinks); };
    site.delayMilliseconds = 5;
    RunPageWorker(controls, site);
}

void Previous(MainControls& controls) { ViewerPrevious(controls, kSite, SiteAddressing()); }
void Next(MainControls& controls) { ViewerNext(controls, kSite, SiteAddressing()); }
void Save(MainControls& controls) { ViewerSave(controls, kSite); }

SiteRoutines Routines() {
    SiteRoutines routines;
    routines.pageLoader = PageLoader;
    routines.pageWorker = PageWorker;
    routines.listingLoad = ListingLoad;
    routines.albumOpen = AlbumOpen;
    routines.previous = Previous;
    routines.next = Next;
    routines.save = Save;
    return routines;
}

}  // namespace dorvane::sitee

#include "collectors/SiteD.h"

#include "collectors/PageWorker.h"
#include "collectors/Viewer.h"
#include "core/ByteOps.h"
#include "core/Settings.h"
#include "net/HttpFetch.h"
#include "net/HttpObjectFetch.h"
#include "text/Markers.h"
#include "text/RegexObject.h"
#include "text/Wide.h"

namespace dorvane::sited {

namespace {

constexpr Site kSite = Site::D;
constexpr const char* kListingPattern =
    R"re(-data"><a href="([\s\S]*?)" target="_blank" title="([\s\S]*?)"><div class="posr")re";
// Links of 100 bytes or more (suffix included) are not image links of this site.
constexpr long long kLinkLimit = 100;

Text Home() { return CurrentSettings().SiteHome(kSite); }

// No header of its own: the fetcher's defaults go out alone.
ViewerAddressing SiteAddressing() { return {Addressing::Direct, {}}; }

}  // namespace

Text FirstListingUrl() { return Home() + "/dmmt"; }
Text ListingUrl(const Text& page) { return Home() + "/dmmt/page/" + page; }

Text PageNumberText(const Text& firstListingPage) {
    static const Text numberStart = Gbk("\">第 </span>");
    const Text block = TextBetween(firstListingPage, "hellip;</span>", "next page-numbers", 1, true);
    return TextBetween(block, numberStart, "<span class=", 1, true);
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
    static const Text sectionStart = Gbk("浏览</span>");
    static const Text sectionEnd = Gbk("<span>分享到</span>");
    const Text section = TextBetween(albumPage, sectionStart, sectionEnd, 1, true);
    TextList links;
    TextBetweenAll(section, " src=\"", "jpg\" alt=", links, false, kLinkLimit, {}, "jpg");
    return links;
}

void PageLoader(MainControls& controls) {
    FillPageSelector(controls.Page(kSite), PageNumberText(HttpFetch(FirstListingUrl())));
    ListingLoad(controls);
}

void ListingLoad(MainControls& controls) {
    SitePage& page = controls.Page(kSite);
    const Text url = ListingUrl(BeginListingLoad(page));
    AppendAlbums(page, ParseListing(Utf8ToGbk(BytesToText(HttpObjectFetch(url)))));
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

}  // namespace dorvane::sited

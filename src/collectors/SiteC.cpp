#include "collectors/SiteC.h"

#include "collectors/PageWorker.h"
#include "collectors/Viewer.h"
#include "core/ByteOps.h"
#include "core/Settings.h"
#include "core/TextOps.h"
#include "net/Codecs.h"
#include "net/HttpFetch.h"
#include "net/HttpObjectFetch.h"
#include "text/Markers.h"
#include "text/RegexObject.h"
#include "text/Wide.h"

namespace dorvane::sitec {

namespace {

constexpr Site kSite = Site::C;
constexpr const char* kResizeSuffix = "?image/auto-orient,1/resize,m_lfit,w_1440/quality,q_100";
constexpr const char* kListingPattern = R"re(<a href *= *['"]*(\S+)["'] class="tits grey">([\s\S]*?)</a>)re";

Text Home() { return CurrentSettings().SiteHome(kSite); }

Text ImageSection(const Text& albumPage) {
    return TextBetween(albumPage, "talk_pic hauto", "pics_title tcenter", 1, true);
}

ViewerAddressing SiteAddressing() { return {Addressing::Direct, ImageHeaders()}; }

}  // namespace

Text IndexUrl() { return Home() + "/photo/index/2"; }
Text ListingUrl(const Text& page) { return Home() + "/photo/index/2-0-" + page; }
Text ImageHeaders() { return "Referer: " + Home(); }

Text PageNumberText(const Text& indexPage) {
    static const Text previous = Gbk(">上一页</a>");
    static const Text next = Gbk(">下一页</a>");
    const Text block = TextBetween(indexPage, previous, next, 1, true);
    return TextBetween(TextRight(block, 39), "\">", "</a>", 1, true);
}

Text DecodeTitle(const Text& raw) {
    Text escaped = TextReplace(raw, "&#x", "%u");
    escaped = TextReplace(escaped, ";", "");
    return UnescapeText(escaped);
}

AlbumEntries ParseListing(const Text& listingPage, const Text& home) {
    AlbumEntries albums;
    RegexObject regex;
    regex.Search(kListingPattern, listingPage);
    const int count = regex.MatchCount();
    albums.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) {
        albums.push_back({DecodeTitle(regex.SubMatchText(i, 2)), home + regex.SubMatchText(i, 1)});
    }
    return albums;
}

TextList ViewerImageLinks(const Text& albumPage) {
    TextList links;
    TextBetweenAll(ImageSection(albumPage), "<img src=\"", "\"></a>", links);
    return links;
}

TextList WorkerImageLinks(const Text& albumPage) {
    TextList links;
    TextBetweenAll(ImageSection(albumPage), "<img src=\"", kResizeSuffix, links);
    return links;
}

void PageLoader(MainControls& controls) {
    FillPageSelector(controls.Page(kSite), PageNumberText(HttpFetch(IndexUrl())));
    ListingLoad(controls);
}

void ListingLoad(MainControls& controls) {
    SitePage& page = controls.Page(kSite);
    const Text url = ListingUrl(BeginListingLoad(page));
    const Text listing = Utf8ToGbk(BytesToText(HttpObjectFetch(url)));
    AppendAlbums(page, ParseListing(listing, Home()));
}

void AlbumOpen(MainControls& controls) {
    OpenAlbumDirect(controls, kSite, ViewerImageLinks, SiteAddressing());
}

void PageWorker(MainControls& controls) {
    PageWorkerSite site;
    site.site = kSite;
    site.albumImages = [](int album, const Text&) { return FetchAlbumImages(album, WorkerImageLinks); };
    site.imageHeaders = ImageHeaders();
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

}  // namespace dorvane::sitec

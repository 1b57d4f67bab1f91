#include "collectors/SiteC.h"

#include "collectors/DirectSite.h"
#include "collectors/SiteFetch.h"
#include "core/Settings.h"
#include "core/TextOps.h"
#include "net/Codecs.h"
#include "text/Markers.h"

namespace dorvane::sitec {

namespace {

constexpr Site kSite = Site::C;
constexpr const char* kResizeSuffix = "?image/auto-orient,1/resize,m_lfit,w_1440/quality,q_100";
constexpr const char* kListingPattern = R"re(<a href *= *['"]*(\S+)["'] class="tits grey">([\s\S]*?)</a>)re";

Text Home() { return CurrentSettings().SiteHome(kSite); }

Text ImageSection(const Text& albumPage) {
    return TextBetween(albumPage, "talk_pic hauto", "pics_title tcenter", 1, true);
}

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
    AlbumEntries albums = MatchAlbums(kListingPattern, listingPage);
    for (AlbumEntry& album : albums) {
        album.title = DecodeTitle(album.title);
        album.url = home + album.url;
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

SiteRoutines Routines() {
    DirectSite site;
    site.site = kSite;
    site.firstListingUrl = IndexUrl;
    site.pageNumberText = PageNumberText;
    site.fetchListing = [](const Text& page) {
        return ParseListing(FetchUtf8Page(ListingUrl(page)), Home());
    };
    site.viewerImageLinks = ViewerImageLinks;
    site.workerImageLinks = WorkerImageLinks;
    site.imageHeaders = ImageHeaders;
    return DirectSiteRoutines(site);
}

}  // namespace dorvane::sitec

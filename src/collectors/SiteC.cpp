#include "collectors/SiteC.h"

#include "collectors/DirectSite.h"
#include "core/TextOps.h"
#include "net/Codecs.h"
#include "text/Markers.h"

namespace dorvane::sitec {

namespace {

constexpr const char* kResizeSuffix = "?image/auto-orient,1/resize,m_lfit,w_1440/quality,q_100";
constexpr const char* kListingPattern = R"re(<a href *= *['"]*(\S+)["'] class="tits grey">([\s\S]*?)</a>)re";

Text ImageSection(const Text& albumPage) {
    return TextBetween(albumPage, "talk_pic hauto", "pics_title tcenter", 1, true);
}


// home + "/photo/index/2" and home + "/photo/index/2-0-" + page, home being "http://" + host.
Text IndexUrl(const Text& home) { return home + "/photo/index/2"; }
Text ListingUrl(const Text& home, const Text& page) { return home + "/photo/index/2-0-" + page; }

// The last page number linked before "下一页" on the first index page; empty when the markers are missing.
Text PageNumberText(const Text& indexPage) {
    static const Text previous = Gbk(">上一页</a>");
    static const Text next = Gbk(">下一页</a>");
    const Text block = TextBetween(indexPage, previous, next, 1, true);
    return TextBetween(TextRight(block, 39), "\">", "</a>", 1, true);
}

// Album titles (references decoded) and addresses (home + the relative path) of a listing page in GBK.
AlbumEntries ParseListing(const Text& listingPage, const Text& home) {
    AlbumEntries albums = MatchAlbums(kListingPattern, listingPage);
    for (AlbumEntry& album : albums) {
        album.title = DecodeTitle(album.title);
        album.url = home + album.url;
    }
    return albums;
}

// Image links of an album page: with the resizing suffix for the viewer, without it for the downloader.
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

}  // namespace

Text DecodeTitle(const Text& raw) {
    Text escaped = TextReplace(raw, "&#x", "%u");
    escaped = TextReplace(escaped, ";", "");
    return UnescapeText(escaped);
}

const DirectSiteParts& Parts() {
    static const DirectSiteParts parts{
        .firstListingUrl = IndexUrl,
        .pageNumberText = PageNumberText,
        .listingUrl = ListingUrl,
        .utf8Listing = true,
        .parseListing = ParseListing,
        .viewerImageLinks = ViewerImageLinks,
        .workerImageLinks = WorkerImageLinks,
        .homeReferer = true};
    return parts;
}

std::unique_ptr<SiteDescription> Describe(HostSource host) { return DescribeDirectSite(Parts(), std::move(host)); }

}  // namespace dorvane::sitec

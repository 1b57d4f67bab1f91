#include "collectors/SiteE.h"

#include "collectors/DirectSite.h"
#include "text/Markers.h"

namespace dorvane::sitee {

namespace {

constexpr const char* kListingPattern =
    R"re(<a target="_blank" class="dec_img" href="([\s\S]*?)" title="([\s\S]*?)">)re";
// The end marker is the bare "jpg": a link to another image type runs on to the next "jpg" and is then
// nearly always this long or longer.
constexpr long long kLinkLimit = 100;


// "http://" + host + "/meituxinshang/p" + page + ".html"; the first listing page is page 1.
Text ListingUrl(const Text& home, const Text& page) { return home + "/meituxinshang/p" + page + ".html"; }
Text FirstListingUrl(const Text& home) { return ListingUrl(home, "1"); }

// The number in the address of the last-page link; empty without it.
Text PageNumberText(const Text& firstListingPage) {
    static const Text end = Gbk(".html\">尾页</a>");
    return TextBetween(firstListingPage, "</a><a class=\"first\" href=\"/meituxinshang/p", end, 1, true);
}

// Titles and article addresses, unchanged, of a listing page as HttpFetch returns it.
AlbumEntries ParseListing(const Text& listingPage) { return MatchAlbums(kListingPattern, listingPage); }

// Image links of an article page, "jpg" appended; a link of 100 bytes or more is dropped.
TextList ImageLinks(const Text& albumPage) {
    static const Text sectionEnd = Gbk(">标签：</span>");
    const Text section = TextBetween(albumPage, "news_content_con", sectionEnd, 1, true);
    TextList links;
    TextBetweenAll(section, " src=\"", "jpg", links, false, kLinkLimit, {}, "jpg");
    return links;
}

}  // namespace

const DirectSiteParts& Parts() {
    static const DirectSiteParts parts{
        .firstListingUrl = FirstListingUrl,
        .pageNumberText = PageNumberText,
        .listingUrl = ListingUrl,
        .parseListing = [](const Text& page, const Text&) { return ParseListing(page); },
        .viewerImageLinks = ImageLinks};
    return parts;
}

std::unique_ptr<SiteDescription> Describe(HostSource host) { return DescribeDirectSite(Parts(), std::move(host)); }

}  // namespace dorvane::sitee

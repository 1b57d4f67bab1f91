#include "collectors/SiteD.h"

#include "collectors/DirectSite.h"
#include "text/Markers.h"

namespace dorvane::sited {

namespace {

constexpr const char* kListingPattern =
    R"re(-data"><a href="([\s\S]*?)" target="_blank" title="([\s\S]*?)"><div class="posr")re";
// Links of 100 bytes or more (suffix included) are not image links of this site.
constexpr long long kLinkLimit = 100;

}  // namespace

Text FirstListingUrl(const Text& home) { return home + "/dmmt"; }
Text ListingUrl(const Text& home, const Text& page) { return home + "/dmmt/page/" + page; }

Text PageNumberText(const Text& firstListingPage) {
    static const Text numberStart = Gbk("\">第 </span>");
    const Text block = TextBetween(firstListingPage, "hellip;</span>", "next page-numbers", 1, true);
    return TextBetween(block, numberStart, "<span class=", 1, true);
}

AlbumEntries ParseListing(const Text& listingPage) { return MatchAlbums(kListingPattern, listingPage); }

TextList ImageLinks(const Text& albumPage) {
    static const Text sectionStart = Gbk("浏览</span>");
    static const Text sectionEnd = Gbk("<span>分享到</span>");
    const Text section = TextBetween(albumPage, sectionStart, sectionEnd, 1, true);
    TextList links;
    TextBetweenAll(section, " src=\"", "jpg\" alt=", links, false, kLinkLimit, {}, "jpg");
    return links;
}

std::unique_ptr<SiteDescription> Describe(HostSource host) {
    // No header of its own: the fetcher's defaults go out alone.
    return DescribeDirectSite({.firstListingUrl = FirstListingUrl,
                               .pageNumberText = PageNumberText,
                               .listingUrl = ListingUrl,
                               .utf8Listing = true,
                               .parseListing = [](const Text& page, const Text&) { return ParseListing(page); },
                               .viewerImageLinks = ImageLinks},
                              std::move(host));
}

}  // namespace dorvane::sited

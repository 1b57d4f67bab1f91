#include "collectors/SiteD.h"

#include "collectors/DirectSite.h"
#include "text/Markers.h"

namespace dorvane::sited {

namespace {

constexpr const char* kListingPattern =
    R"re(-data"><a href="([\s\S]*?)" target="_blank" title="([\s\S]*?)"><div class="posr")re";
// Links of 100 bytes or more (suffix included) are not image links of this site.
constexpr long long kLinkLimit = 100;


// "http://" + host + "/dmmt" and "http://" + host + "/dmmt/page/" + page.
Text FirstListingUrl(const Text& home) { return home + "/dmmt"; }
Text ListingUrl(const Text& home, const Text& page) { return home + "/dmmt/page/" + page; }

// The number of the last page, from the page links of the first listing page; empty without them.
Text PageNumberText(const Text& firstListingPage) {
    static const Text numberStart = Gbk("\">第 </span>");
    const Text block = TextBetween(firstListingPage, "hellip;</span>", "next page-numbers", 1, true);
    return TextBetween(block, numberStart, "<span class=", 1, true);
}

// Titles and addresses, unchanged, of a listing page in GBK.
AlbumEntries ParseListing(const Text& listingPage) { return MatchAlbums(kListingPattern, listingPage); }

// Image links of an album page, "jpg" appended; a link of 100 bytes or more is dropped.
TextList ImageLinks(const Text& albumPage) {
    static const Text sectionStart = Gbk("浏览</span>");
    static const Text sectionEnd = Gbk("<span>分享到</span>");
    const Text section = TextBetween(albumPage, sectionStart, sectionEnd, 1, true);
    TextList links;
    TextBetweenAll(section, " src=\"", "jpg\" alt=", links, false, kLinkLimit, {}, "jpg");
    return links;
}

}  // namespace

const DirectSiteParts& Parts() {
    static const DirectSiteParts parts{
        .firstListingUrl = FirstListingUrl,
        .pageNumberText = PageNumberText,
        .listingUrl = ListingUrl,
        .utf8Listing = true,
        .parseListing = [](const Text& page, const Text&) { return ParseListing(page); },
        .viewerImageLinks = ImageLinks};
    return parts;
}

std::unique_ptr<SiteDescription> Describe(HostSource host) { return DescribeDirectSite(Parts(), std::move(host)); }

}  // namespace dorvane::sited

#include "collectors/SiteB.h"

#include <algorithm>

#include "core/Numbers.h"
#include "text/Directory.h"
#include "text/Markers.h"
#include "text/RegexObject.h"

namespace dorvane::siteb {

namespace {

constexpr const char* kTagBlockStart = R"(<ul id="tag_ul">)";
constexpr const char* kTagPattern = R"re(<li><a href="([\s\S]*?)">([\s\S]*?)</a></li>)re";
constexpr int kAlbumsPerPage = 60;
constexpr int kImageWait = 5;

Text TagBlock(const Text& homePage) { return TextBetween(homePage, kTagBlockStart, "</ul>"); }

class SiteB : public SiteDescription {
public:
    explicit SiteB(HostSource host) : m_host(std::move(host)) {}

    bool HasMenu() const override { return true; }
    AlbumEntries Menu(const SiteFetcher& fetch) const override { return ParseTags(fetch.Page(Home(m_host()))); }

    PageChoices Choices(const SiteFetcher& fetch, int position, const AlbumEntries&) const override {
        // The tags are read afresh and paired with the box by position only.
        const AlbumEntries tags = ParseTags(fetch.Utf8Page(Home(m_host())));
        const Text tagUrl =
            position >= 1 && position <= static_cast<int>(tags.size()) ? tags[static_cast<size_t>(position - 1)].url
                                                                       : Text{};
        const int pages = PageCount(tagUrl.empty() ? 0 : AlbumCount(fetch.Utf8Page(tagUrl)));
        PageChoices choices;
        choices.paged = true;
        choices.source = ListingSource{tagUrl, 0};
        if (pages < 1) {
            choices.then = PageChoices::Then::ListUnpaged;
            return choices;
        }
        choices.pagesShown = IntegerText(pages);
        choices.pageCount = pages;
        choices.then = PageChoices::Then::ListSelected;
        return choices;
    }

    AlbumEntries Listing(const SiteFetcher& fetch, const ListingSource& source, const Text& pageText) const override {
        if (source.base.empty()) return {};
        return ParseListing(fetch.Utf8Page(ListingAddress(source, pageText)));
    }
    Text ListingAddress(const ListingSource& source, const Text& pageText) const override {
        return pageText.empty() ? source.base : ListingUrl(source.base, pageText);
    }

    std::vector<AlbumWork> Plan(const ListingSnapshot& listing) const override {
        std::vector<AlbumWork> work;
        const Text headers = ImageHeaders();
        for (const AlbumEntry& album : listing.albums) {
            work.push_back({.title = album.title,
                            .line = album.title,
                            .address = album.url,
                            .open = [album, headers](const SiteFetcher&) {
                                AlbumPlan plan;
                                plan.folder = album.title.empty() ? Text{} : SafeName(album.title) + "/";
                                plan.imageCount = album.url.empty() ? 0 : ToInteger(album.imageCount);
                                plan.image = [cover = album.url, headers](int j) {
                                    return NumberedImage(CoverImageAddress(cover, j), j, headers, kImageWait);
                                };
                                return plan;
                            }});
        }
        return work;
    }

    ViewerAlbum OpenAlbum(const SiteFetcher&, const ListingSnapshot& listing, int album) const override {
        ViewerAlbum opened;
        if (album < 1 || album > static_cast<int>(listing.albums.size())) return opened;
        for (const AlbumEntry& entry : listing.albums) opened.images.push_back(entry.url);
        opened.coverIndex = album;
        opened.imageCount = ToInteger(listing.albums[static_cast<size_t>(album - 1)].imageCount);
        opened.opened = true;
        return opened;
    }

    Addressing ViewerAddressing() const override { return Addressing::Cover; }
    Text ImageHeaders() const override { return siteb::ImageHeaders(Home(m_host())); }

private:
    const HostSource m_host;
};

}  // namespace

Text Home(const Text& host) { return "https://" + host + "/"; }
Text ImageHeaders(const Text& home) { return "Referer: " + home + "t/nvshen/"; }

AlbumEntries ParseTags(const Text& homePage) { return MatchAlbums(kTagPattern, TagBlock(homePage)); }

int AlbumCount(const Text& tagPage) {
    static const Text pattern =
        Gbk(R"re(<center><div id="pages" class="text-c"><a class="a1">([\s\S]*?)条</a>)re");
    RegexObject regex;
    regex.Search(pattern, tagPage);
    return std::max(ToInteger(regex.SubMatchText(1, 1)), 0);
}

int PageCount(int albumCount) {
    if (albumCount <= 0) return 0;
    const int pages = albumCount / kAlbumsPerPage + (albumCount % kAlbumsPerPage != 0 ? 1 : 0);
    return std::min(pages, kMaxListingPages);
}

Text ListingUrl(const Text& tagUrl, const Text& pageText) {
    return ToInteger(pageText) == 1 ? tagUrl : tagUrl + pageText + ".html";
}

AlbumEntries ParseListing(const Text& listingPage) {
    static const Text pattern = Gbk(
        R"re(target="_blank"><img src="([\s\S]*?)" alt="([\s\S]*?)" width="220" height="300"/></a>\s+<p>图片： ([\s\S]*?) 张</p>)re");
    RegexObject regex;
    regex.Search(pattern, listingPage);
    AlbumEntries albums;
    for (int i = 1; i <= regex.MatchCount(); ++i)
        albums.push_back({regex.SubMatchText(i, 2), regex.SubMatchText(i, 1), regex.SubMatchText(i, 3)});
    return albums;
}

std::unique_ptr<SiteDescription> Describe(HostSource host) { return std::make_unique<SiteB>(std::move(host)); }

}  // namespace dorvane::siteb

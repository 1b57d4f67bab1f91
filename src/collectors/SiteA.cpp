#include "collectors/SiteA.h"

#include <algorithm>
#include <chrono>

#include "core/Numbers.h"
#include "core/TextOps.h"
#include "core/Worker.h"
#include "text/Directory.h"
#include "text/Hash.h"
#include "text/Markers.h"
#include "text/RegexObject.h"

namespace dorvane::sitea {

namespace {

constexpr const char* kMenuPattern = R"re(href="(\S*?)">(\S*?)</a></li>)re";
constexpr const char* kPageLinkPattern = R"re(href='(\S*?)'>(\S*?)</a>)re";
constexpr const char* kAlbumListingPattern =
    R"re(/></a><span><a href="([\s\S]*?)" target="_blank">([\s\S]*?)</a></span><span)re";
constexpr const char* kCommentImagePattern = R"re( data-original="(\S*?)" width)re";
constexpr const char* kAllAlbumsPattern = R"re(<a href="(\S*?)" target="_blank">(\S*?)</a>)re";
// Pieces this long or longer between the comment markers are other ids, not comment numbers.
constexpr long long kCommentNumberLimit = 20;
// The category box item that page setup selects: the eighth, an all-albums listing.
constexpr int kSetupCategory = 7;

// Fixed waits of the site, in milliseconds.
constexpr int kOpenPageWait = 10;
constexpr int kFolderWait = 10;
constexpr int kAlbumPageWait = 5;
constexpr int kImageWait = 10;
constexpr int kCommentStartWait = 10;

// Category positions 1 to 6; position 7 and above list all albums.
constexpr const char* kCategoryPaths[] = {"xinggan/page/", "japan/page/",         "taiwan/page/",
                                          "mm/page/",      "zipai/comment-page-", "jiepai/comment-page-"};
constexpr const char* kSelfShotPath = "zipai/comment-page-";

Text AlbumPageUrl(const Text& albumUrl, int j) { return albumUrl + "/" + IntegerText(j); }

bool ListsAlbums(int kind) { return kind == kAlbumPages || kind == kAllAlbums; }

Text UrlAt(const ListingSnapshot& listing, int album) {
    if (album < 1 || album > static_cast<int>(listing.albums.size())) return {};
    return listing.albums[static_cast<size_t>(album - 1)].url;
}

void Wait(int milliseconds) { WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)); }

class SiteA : public SiteDescription {
public:
    explicit SiteA(HostSource host) : m_host(std::move(host)) {}

    bool HasMenu() const override { return true; }
    AlbumEntries Menu(const SiteFetcher& fetch) const override { return ParseMenu(fetch.Page(Home(m_host()))); }
    int EnteredMenuSelection() const override { return kSetupCategory; }

    PageChoices Choices(const SiteFetcher& fetch, int position, const AlbumEntries& menu) const override {
        const CategoryChoice choice = ChooseCategory(Home(m_host()), position);
        PageChoices choices;
        choices.source = ListingSource{choice.prefix, choice.kind};
        if (choice.kind == kAllAlbums) {
            // The category's own page is not read: the all-albums listing has no page numbers.
            choices.paged = false;
            choices.then = PageChoices::Then::ListUnpaged;
            return choices;
        }
        const size_t index = static_cast<size_t>(position - 1);
        const Text categoryPage = index < menu.size() ? fetch.Page(menu[index].url) : fetch.Page({});
        choices.paged = true;
        if (choice.kind == kAlbumPages) {
            const Text count = AlbumPageCountText(categoryPage);
            choices.pagesShown = count;
            choices.pageCount = PageCountFromText(count);
        } else {
            choices.pageCount = CommentPageCount(categoryPage);
            choices.pagesShown = IntegerText(choices.pageCount);
        }
        return choices;
    }

    // The album categories' addresses are the site's own; the rest are not paged album listings.
    std::optional<ListingSource> SourceUnread(int position) const override {
        const CategoryChoice choice = ChooseCategory(Home(m_host()), position);
        if (choice.kind != kAlbumPages) return std::nullopt;
        return ListingSource{choice.prefix, choice.kind};
    }

    AlbumEntries Listing(const SiteFetcher& fetch, const ListingSource& source, const Text& pageText) const override {
        if (source.kind == kNoList) return {};
        return ParseListing(fetch.Utf8Page(ListingAddress(source, pageText)), static_cast<ListKind>(source.kind));
    }
    Text ListingAddress(const ListingSource& source, const Text& pageText) const override {
        return source.base + pageText;
    }

    std::vector<AlbumWork> Plan(const ListingSnapshot& listing) const override {
        if (ListsAlbums(listing.source.kind)) return PlanAlbums(listing);
        if (listing.source.kind == kCommentPages) return {PlanCommentPage(listing)};
        return {};
    }

    ViewerAlbum OpenAlbum(const SiteFetcher& fetch, const ListingSnapshot& listing, int album) const override {
        ViewerAlbum opened;
        if (ListsAlbums(listing.source.kind)) {
            const Text url = UrlAt(listing, album);
            const int count = url.empty() ? 0 : ImageCount(fetch.Page(url), url);
            for (int j = 1; j <= count; ++j) {
                opened.images.push_back(FetchImageAddress(fetch, url, j));
                Wait(kOpenPageWait);
            }
        } else if (listing.source.kind == kCommentPages) {
            for (const AlbumEntry& entry : listing.albums) opened.images.push_back(entry.url);
        } else {
            return opened;
        }
        opened.opened = true;
        opened.imageCount = static_cast<int>(opened.images.size());
        return opened;
    }

    Text ImageHeaders() const override { return sitea::ImageHeaders(Home(m_host())); }
    bool OpenShowsTitle() const override { return false; }

private:
    // The image on album page j.
    Text FetchImageAddress(const SiteFetcher& fetch, const Text& albumUrl, int j) const {
        return ImageAddress(fetch.Page(AlbumPageUrl(albumUrl, j), ImageHeaders()));
    }

    std::vector<AlbumWork> PlanAlbums(const ListingSnapshot& listing) const {
        std::vector<AlbumWork> work;
        for (const AlbumEntry& album : listing.albums) {
            const Text title = FolderTitle(album.title);
            work.push_back({.title = title,
                            .line = album.title,
                            .address = album.url,
                            .progress = ProgressKind::ImageInAlbum,
                            .open = [this, album, title](const SiteFetcher& fetch) {
                                return OpenForCollection(fetch, album, title);
                            }});
        }
        return work;
    }

    AlbumPlan OpenForCollection(const SiteFetcher& fetch, const AlbumEntry& album, const Text& title) const {
        AlbumPlan plan;
        plan.imageCount = album.url.empty() ? 0 : ImageCount(fetch.Page(album.url), album.url);
        plan.folder = title.empty() ? Text{} : SafeName(title) + "/";
        plan.waitAfterFolder = kFolderWait;
        const Text headers = ImageHeaders();
        plan.image = [this, album, headers](int j) {
            ImageWork image;
            image.resolve = [this, url = album.url, j](const SiteFetcher& f) { return FetchImageAddress(f, url, j); };
            image.waitAfterResolve = kAlbumPageWait;
            image.headers = headers;
            image.fileName = IntegerText(j) + ".jpg";
            image.wait = kImageWait;
            return image;
        };
        return plan;
    }

    AlbumWork PlanCommentPage(const ListingSnapshot& listing) const {
        const Text folderName = CommentFolderName(Home(m_host()), listing.source.base);
        auto lines = std::make_shared<AlbumEntries>(listing.albums);
        const Text headers = ImageHeaders();
        return {.title = folderName,
                .address = listing.source.base,
                .progress = ProgressKind::ImageLine,
                .open = [lines, folderName, headers](const SiteFetcher&) {
                    AlbumPlan plan;
                    plan.waitBeforeFolder = kCommentStartWait;
                    plan.folder = folderName + "/";
                    plan.imageCount = static_cast<int>(lines->size());
                    plan.image = [lines, headers](int i) {
                        const AlbumEntry& line = (*lines)[static_cast<size_t>(i - 1)];
                        ImageWork image;
                        image.url = line.url;
                        image.line = line.title;
                        image.headers = headers;
                        // Named by content: the same photo collected twice keeps one name.
                        image.fileNameFor = [title = line.title](const Bytes& bytes) {
                            return SafeName(title + Md5Hex(bytes) + ".jpg");
                        };
                        image.wait = kImageWait;
                        return image;
                    };
                    return plan;
                }};
    }

    const HostSource m_host;
};

}  // namespace

Text Home(const Text& host) { return "https://" + host + "/"; }
Text ImageHeaders(const Text& home) { return "Referer: " + home; }

AlbumEntries ParseMenu(const Text& homePage) {
    static const Text menuStart = Gbk(">首页</a></li>");
    static const Text menuEnd = Gbk("搜一搜，看一看");
    return MatchAlbums(kMenuPattern, TextBetween(homePage, menuStart, menuEnd, 1, true), true);
}

CategoryChoice ChooseCategory(const Text& home, int position) {
    if (position >= 1 && position <= 6) {
        return {home + kCategoryPaths[position - 1], position <= 4 ? kAlbumPages : kCommentPages};
    }
    if (position >= 7) return {home + "all/", kAllAlbums};
    return {};
}

Text AlbumPageCountText(const Text& categoryPage) {
    RegexObject regex;
    regex.Search(kPageLinkPattern, categoryPage, true);
    return regex.SubMatchText(4, 2);
}

int CommentPageCount(const Text& categoryPage) {
    RegexObject regex;
    regex.Search(kPageLinkPattern, categoryPage, true);
    const int last = ToInteger(regex.SubMatchText(3, 2));
    // The pager counts the newest page apart; a hostile number must not overflow past it.
    return last >= kMaxListingPages ? kMaxListingPages : std::max(last, 0) + 1;
}

AlbumEntries ParseListing(const Text& listingPage, ListKind kind) {
    if (kind != kCommentPages) {
        return MatchAlbums(kind == kAlbumPages ? kAlbumListingPattern : kAllAlbumsPattern, listingPage, true);
    }
    TextList numbers;
    TextBetweenAll(listingPage, "id=\"comment-", "\">", numbers, false, kCommentNumberLimit);
    RegexObject regex;
    regex.Search(kCommentImagePattern, listingPage, true);
    AlbumEntries images;
    for (int i = 1; i <= regex.MatchCount(); ++i) {
        const size_t index = static_cast<size_t>(i - 1);
        images.push_back(
            {index < numbers.size() ? numbers[index] : IntegerText(i), regex.SubMatchText(i, 1), {}});
    }
    return images;
}

int ImageCount(const Text& albumFirstPage, const Text& albumUrl) {
    static const Text pagerStart = Gbk("…</span><a href='");
    const Text pager = TextBetween(albumFirstPage, pagerStart, "><span>", 1, true);
    return std::max(ToInteger(TextBetween(pager, albumUrl + "/", "'", 1, true)), 0);
}

Text ImageAddress(const Text& albumPage) { return TextBetween(albumPage, "><img src=\"", "\" alt", 1, true); }

Text FolderTitle(const Text& line) { return TextReplace(line, ":", ""); }

Text CommentFolderName(const Text& home, const Text& prefix) {
    static const Text selfShot = Gbk("妹子自拍");
    static const Text street = Gbk("街拍美女");
    return prefix == home + kSelfShotPath ? selfShot : street;
}

std::unique_ptr<SiteDescription> Describe(HostSource host) { return std::make_unique<SiteA>(std::move(host)); }

}  // namespace dorvane::sitea

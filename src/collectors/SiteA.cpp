#include "collectors/SiteA.h"

#include <algorithm>

#include "collectors/OutputPaths.h"
#include "collectors/PageWorker.h"
#include "collectors/SiteFetch.h"
#include "collectors/Viewer.h"
#include "core/Numbers.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/TextOps.h"
#include "core/Worker.h"
#include "text/Directory.h"
#include "text/Hash.h"
#include "text/Markers.h"
#include "text/RegexObject.h"

namespace dorvane::sitea {

namespace {

constexpr Site kSite = Site::A;
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

void Wait(int milliseconds) { CheckedDelaySince(std::chrono::steady_clock::now(), milliseconds); }

Text AlbumPageUrl(const Text& albumUrl, int j) { return albumUrl + "/" + IntegerText(j); }

// The image on album page j.
Text FetchImageAddress(const Text& albumUrl, int j) {
    return ImageAddress(FetchPage(AlbumPageUrl(albumUrl, j), ImageHeaders()));
}

ListKind CurrentKind(const Lists& state) { return static_cast<ListKind>(state.kind.load()); }

ViewerAddressing SiteAddressing() { return {Addressing::Direct, ImageHeaders()}; }

void ListingParse(SitePage& page, const Text& url, ListKind kind) {
    AppendAlbums(page, ParseListing(FetchUtf8Page(url), kind));
}

// --- routines ---

using ListsPtr = std::shared_ptr<Lists>;

void CategoryChosen(MainControls& controls, Lists& state);

void PageSetup(MainControls& controls, const ListsPtr& state) {
    SitePage& page = controls.Page(kSite);
    const AlbumEntries menu = ParseMenu(FetchPage(Home()));
    for (const AlbumEntry& category : menu) {
        // The address goes in only with its item, so box item k - 1 and list entry k stay paired.
        if (page.categories->AddItem(category.title) >= 0) state->categoryUrls.Append(category.url);
    }
    page.categories->SetSelection(kSetupCategory);
    StartFollowUpThread([&controls, state] { CategoryChosen(controls, *state); });
}

void CategoryChosen(MainControls& controls, Lists& state) {
    SitePage& page = controls.Page(kSite);
    page.pages->Clear();
    const int selection = page.categories->Selection();
    if (selection < 0 || selection >= page.categories->ItemCount()) return;
    const int position = selection + 1;
    const CategoryChoice choice = ChooseCategory(position);
    if (choice.kind == kAllAlbums) {
        // The category's own page is not read: the all-albums listing has no page numbers.
        state.prefix.Set(choice.prefix);
        page.pages->SetVisible(false);
        state.kind = kAllAlbums;
        ClearListing(page);
        ListingParse(page, choice.prefix, kAllAlbums);
    } else {
        const Text categoryPage = FetchPage(state.categoryUrls.At(position));
        page.pages->SetVisible(true);
        if (choice.kind == kAlbumPages) {
            const Text count = AlbumPageCountText(categoryPage);
            page.pageCount->SetText(JumpPagesLabel(count));
            AppendPageNumbers(page, PageCountFromText(count));
        } else {
            const int count = CommentPageCount(categoryPage);
            page.pageCount->SetText(JumpPagesLabel(IntegerText(count)));
            AppendPageNumbers(page, count);
        }
        state.prefix.Set(choice.prefix);
        state.kind = choice.kind;
    }
    page.pages->SetSelection(0);
}

void PageChosen(MainControls& controls, Lists& state) {
    SitePage& page = controls.Page(kSite);
    ClearListing(page);
    const int selection = page.pages->Selection();
    const Text pageText = selection < 0 ? Text{} : page.pages->ItemText(selection);
    ListingParse(page, state.prefix.Get() + pageText, CurrentKind(state));
}

void AlbumOpen(MainControls& controls, const Lists& lists) {
    SitePage& page = controls.Page(kSite);
    ProgramState& state = State();
    const int album = BeginAlbumOpen(controls, page);
    if (album < 1) return;
    TextList images;
    const ListKind kind = CurrentKind(lists);
    if (kind == kAlbumPages || kind == kAllAlbums) {
        const Text url = AlbumUrlAt(album);
        const int count = url.empty() ? 0 : ImageCount(FetchPage(url), url);
        for (int j = 1; j <= count; ++j) {
            images.push_back(FetchImageAddress(url, j));
            Wait(kOpenPageWait);
        }
    } else if (kind == kCommentPages) {
        images = state.albumUrls.Snapshot();
    } else {
        return;
    }
    // The list goes in whole once every page was read, so a collection that starts meanwhile and empties
    // it never meets a half-built list.
    state.viewerImageCount = static_cast<int>(images.size());
    state.viewerImages.Assign(std::move(images));
    state.viewerPosition = 1;
    page.counter->SetText("1");
    ShowViewerImage(page, SiteAddressing(), 1);
}

void CollectAlbums(MainControls& controls, SitePage& page, int albumCount) {
    const Text headers = ImageHeaders();
    static const Text collecting = Gbk(" 正在采集第【");
    static const Text sheet = Gbk("】张");
    for (int album = 1; album <= albumCount; ++album) {
        const Text line = page.albums->ItemText(album - 1);
        const Text title = FolderTitle(line);
        page.title->SetText(title);
        const Text url = AlbumUrlAt(album);
        const int count = url.empty() ? 0 : ImageCount(FetchPage(url), url);
        const Text folder = AlbumFolder(controls, title);
        EnsureDirectory(folder);
        Wait(kFolderWait);
        for (int j = 1; j <= count; ++j) {
            const Text address = FetchImageAddress(url, j);
            Wait(kAlbumPageWait);
            page.title->SetText(line + collecting + IntegerText(j) + sheet);
            CollectImage(page, {address, headers, kImageWait}, folder + IntegerText(j) + ".jpg");
        }
    }
}

void CollectCommentPage(MainControls& controls, SitePage& page, int lineCount, const Text& prefix) {
    static const Text collecting = Gbk(" 正在采集 .");
    Wait(kCommentStartWait);
    const Text folder = OutputRoot(controls) + CommentFolderName(prefix) + "/";
    EnsureDirectory(folder);
    for (int i = 1; i <= lineCount; ++i) {
        const Text line = page.albums->ItemText(i - 1);
        page.title->SetText(line + collecting);
        // Named by content: the same photo collected twice keeps one name.
        CollectImage(page, {AlbumUrlAt(i), ImageHeaders(), kImageWait},
                     [&](const Bytes& bytes) { return folder + SafeName(line + Md5Hex(bytes) + ".jpg"); });
    }
}

void PageCollection(MainControls& controls, const Lists& state) {
    SitePage& page = controls.Page(kSite);
    const int count = BeginPageCollection(page);
    const ListKind kind = CurrentKind(state);
    if (kind == kAlbumPages || kind == kAllAlbums) {
        CollectAlbums(controls, page, count);
    } else if (kind == kCommentPages) {
        CollectCommentPage(controls, page, count, state.prefix.Get());
    }
    FinishPageCollection(controls);
}

}  // namespace

Text Home() { return "https://" + CurrentSettings().SiteHost(kSite) + "/"; }
Text ImageHeaders() { return "Referer: " + Home(); }

AlbumEntries ParseMenu(const Text& homePage) {
    static const Text menuStart = Gbk(">首页</a></li>");
    static const Text menuEnd = Gbk("搜一搜，看一看");
    return MatchAlbums(kMenuPattern, TextBetween(homePage, menuStart, menuEnd, 1, true), true);
}

CategoryChoice ChooseCategory(int position) {
    if (position >= 1 && position <= 6) {
        return {Home() + kCategoryPaths[position - 1], position <= 4 ? kAlbumPages : kCommentPages};
    }
    if (position >= 7) return {Home() + "all/", kAllAlbums};
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

Text CommentFolderName(const Text& prefix) {
    static const Text selfShot = Gbk("妹子自拍");
    static const Text street = Gbk("街拍美女");
    return prefix == Home() + kSelfShotPath ? selfShot : street;
}

SiteRoutines Routines(std::shared_ptr<Lists> lists) {
    SiteRoutines routines;
    routines.pageLoader = [lists](MainControls& controls) { PageSetup(controls, lists); };
    routines.categoryLoad = [lists](MainControls& controls) { CategoryChosen(controls, *lists); };
    routines.listingLoad = [lists](MainControls& controls) { PageChosen(controls, *lists); };
    routines.albumOpen = [lists](MainControls& controls) { AlbumOpen(controls, *lists); };
    routines.pageWorker = [lists](MainControls& controls) { PageCollection(controls, *lists); };
    AddViewerSteps(routines, kSite, SiteAddressing);
    return routines;
}

}  // namespace dorvane::sitea

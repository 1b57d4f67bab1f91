#include "collectors/SiteB.h"

#include <algorithm>

#include "collectors/OutputPaths.h"
#include "collectors/PageWorker.h"
#include "collectors/SiteFetch.h"
#include "collectors/Viewer.h"
#include "core/Numbers.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Worker.h"
#include "text/Directory.h"
#include "text/Markers.h"
#include "text/RegexObject.h"

namespace dorvane::siteb {

namespace {

constexpr Site kSite = Site::B;
constexpr const char* kTagBlockStart = R"(<ul id="tag_ul">)";
constexpr const char* kTagPattern = R"re(<li><a href="([\s\S]*?)">([\s\S]*?)</a></li>)re";
constexpr int kAlbumsPerPage = 60;
constexpr int kImageWait = 5;

Text TagBlock(const Text& homePage) { return TextBetween(homePage, kTagBlockStart, "</ul>"); }

ViewerAddressing SiteAddressing() { return {Addressing::Cover, ImageHeaders()}; }

void ListingParse(SitePage& page, const Text& url) {
    AppendAlbums(page, ParseListing(FetchUtf8Page(url)), true);
}

// --- routines ---

using TagPtr = std::shared_ptr<SharedText>;

void TagChosen(MainControls& controls, const TagPtr& tag);
void PageChosen(MainControls& controls, const SharedText& tag);

void PageSetup(MainControls& controls, const TagPtr& tag) {
    SitePage& page = controls.Page(kSite);
    const Text home = FetchPage(Home());
    for (const AlbumEntry& tag : ParseTags(home)) page.categories->AddItem(tag.title);
    page.categories->SetSelection(0);
    StartFollowUpThread([&controls, tag] { TagChosen(controls, tag); });
}

void TagChosen(MainControls& controls, const TagPtr& tag) {
    SitePage& page = controls.Page(kSite);
    page.pages->Clear();
    page.pages->SetVisible(true);
    // The tags are read afresh and paired with the box by position only.
    const AlbumEntries tags = ParseTags(FetchUtf8Page(Home()));
    const int selection = page.categories->Selection();
    const Text tagUrl = selection >= 0 && selection < static_cast<int>(tags.size())
                            ? tags[static_cast<size_t>(selection)].url
                            : Text{};
    const int pages = PageCount(tagUrl.empty() ? 0 : AlbumCount(FetchUtf8Page(tagUrl)));
    if (pages < 1) {
        ClearListing(page);
        if (!tagUrl.empty()) ListingParse(page, tagUrl);
        return;
    }
    tag->Set(tagUrl);
    page.pageCount->SetText(JumpPagesLabel(IntegerText(pages)));
    AppendPageNumbers(page, pages);
    page.pages->SetSelection(0);
    StartFollowUpThread([&controls, tag] { PageChosen(controls, *tag); });
}

void PageChosen(MainControls& controls, const SharedText& tag) {
    SitePage& page = controls.Page(kSite);
    ClearListing(page);
    const int selection = page.pages->Selection();
    const Text pageText = selection < 0 ? Text{} : page.pages->ItemText(selection);
    const Text tagUrl = tag.Get();
    if (tagUrl.empty()) return;
    ListingParse(page, ListingUrl(tagUrl, pageText));
}

void AlbumOpen(MainControls& controls) {
    SitePage& page = controls.Page(kSite);
    ProgramState& state = State();
    const int album = BeginTitledAlbumOpen(controls, page);
    if (album < 1) return;
    state.viewerAlbumIndex = album;
    state.viewerImages.Assign(state.albumUrls.Snapshot());
    state.viewerImageCount = ToInteger(state.albumImageCounts.At(album));
    page.counter->SetText("1");
    ShowViewerImage(page, SiteAddressing(), 1);
}

void PageCollection(MainControls& controls) {
    SitePage& page = controls.Page(kSite);
    const Text headers = ImageHeaders();
    const int albumCount = BeginPageCollection(page);
    for (int album = 1; album <= albumCount; ++album) {
        const Text title = page.albums->ItemText(album - 1);
        page.title->SetText(CollectingStatus(title));
        const Text folder = AlbumFolder(controls, title);
        EnsureDirectory(folder);
        const Text cover = State().albumUrls.At(album);
        const int count = cover.empty() ? 0 : ToInteger(State().albumImageCounts.At(album));
        CollectNumberedImages(
            page, folder, count, [&cover](int j) { return CoverImageAddress(cover, j); }, headers,
            kImageWait);
    }
    FinishPageCollection(controls);
}

}  // namespace

Text Home() { return "https://" + CurrentSettings().SiteHost(kSite) + "/"; }
Text ImageHeaders() { return "Referer: " + Home() + "t/nvshen/"; }

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

SiteRoutines Routines(std::shared_ptr<SharedText> tagUrl) {
    SiteRoutines routines;
    routines.pageLoader = [tagUrl](MainControls& controls) { PageSetup(controls, tagUrl); };
    routines.categoryLoad = [tagUrl](MainControls& controls) { TagChosen(controls, tagUrl); };
    routines.listingLoad = [tagUrl](MainControls& controls) { PageChosen(controls, *tagUrl); };
    routines.albumOpen = AlbumOpen;
    routines.pageWorker = PageCollection;
    AddViewerSteps(routines, kSite, SiteAddressing);
    return routines;
}

}  // namespace dorvane::siteb

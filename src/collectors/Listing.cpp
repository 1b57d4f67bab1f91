#include "collectors/Listing.h"

#include <algorithm>
#include <mutex>

#include "core/ByteOps.h"
#include "core/Numbers.h"
#include "core/ProgramState.h"
#include "core/Worker.h"
#include "text/RegexObject.h"

namespace dorvane {

AlbumEntries MatchAlbums(const Text& pattern, const Text& listingPage, bool caseSensitive) {
    AlbumEntries albums;
    RegexObject regex;
    regex.Search(pattern, listingPage, caseSensitive);
    const int count = regex.MatchCount();
    albums.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i)
        albums.push_back({regex.SubMatchText(i, 2), regex.SubMatchText(i, 1), {}});
    return albums;
}

int PageCountFromText(const Text& pageNumberText) {
    const double value = ToNumber(pageNumberText);
    if (!(value >= 1)) return 0;  // also catches NaN
    if (value >= kMaxListingPages) return kMaxListingPages;
    return static_cast<int>(value);
}

void FillPageSelector(SitePage& page, const Text& pageNumberText) {
    static const Text before = Gbk("共");
    static const Text after = Gbk("页,打开：");
    page.pageCount->SetText(before + pageNumberText + after);
    AppendPageNumbers(page, PageCountFromText(pageNumberText));
    page.pages->SetSelection(0);
}

void AppendPageNumbers(SitePage& page, int count) {
    for (int i = 1; i <= count; ++i) page.pages->AddItem(IntegerText(i));
}

namespace {

// An album line and its address (and count) change together: a listing cleared by one routine while
// another appends never falls between a line and its address, which would pair every later line with
// the wrong address. Taken only off the window thread (routines never run on it), so waiting for the
// window while holding it cannot deadlock.
std::mutex& ListingMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

void ClearListing(SitePage& page) {
    std::lock_guard lock(ListingMutex());
    page.albums->Clear();
    State().albumUrls.Clear();
    State().albumImageCounts.Clear();
}

Text JumpPagesLabel(const Text& pages) {
    static const Text before = Gbk("共");
    static const Text after = Gbk("页 跳到：");
    return before + pages + after;
}

Text BeginListingLoad(SitePage& page) {
    ClearListing(page);
    const int selection = page.pages->Selection();
    return selection < 0 ? Text{} : page.pages->ItemText(selection);
}

void AppendAlbums(SitePage& page, const AlbumEntries& albums, bool withCounts) {
    for (const AlbumEntry& album : albums) {
        // The address goes in only with its line, so the lists never drift apart.
        std::lock_guard lock(ListingMutex());
        if (page.albums->AddItem(album.title) < 0) continue;
        State().albumUrls.Append(album.url);
        if (withCounts) State().albumImageCounts.Append(album.imageCount);
    }
}

Text AlbumUrlAt(int album) { return State().albumUrls.At(album); }

}  // namespace dorvane

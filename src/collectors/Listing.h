#pragma once
// The parts that the page loaders and listing loads of the sites share: the page selector and the
// album list kept in step with AlbumUrls.
#include <vector>

#include "core/SitePage.h"
#include "core/Text.h"

namespace dorvane {

struct AlbumEntry {
    Text title;
    Text url;
    Text imageCount;  // the count a listing shows beside the album (Site B), as decimal text
};
using AlbumEntries = std::vector<AlbumEntry>;

// Every match of `pattern` in a listing page as an album, in page order: the second group its title and
// the first its address, both as matched.
AlbumEntries MatchAlbums(const Text& pattern, const Text& listingPage, bool caseSensitive = false);

// A page-number text read from a site's index page as a page count: text that does not begin with a
// number counts as 0, a fraction is cut off, and a count beyond kMaxListingPages is held there, so a
// garbled or hostile index page cannot make the selector swallow the memory of the machine.
constexpr int kMaxListingPages = 100000;
int PageCountFromText(const Text& pageNumberText);

// Writes "共" + N + "页,打开：" into the page-count label, appends the texts 1..count to the page
// selector (behind what it holds already) and selects its first item.
void FillPageSelector(SitePage& page, const Text& pageNumberText);

// Empties the album list, AlbumUrls and AlbumImageCounts, then returns the selected page text (empty
// when nothing is selected).
Text BeginListingLoad(SitePage& page);

// Appends each album to the album list and its address to AlbumUrls at the same index; with counts, its
// image count to AlbumImageCounts as well.
void AppendAlbums(SitePage& page, const AlbumEntries& albums, bool withCounts = false);

// Appends the texts 1..count to the page selector (behind what it holds already).
void AppendPageNumbers(SitePage& page, int count);

// Empties the album list, AlbumUrls and AlbumImageCounts.
void ClearListing(SitePage& page);

// "共" + pages + "页 跳到：", the total-pages label of the sites with categories.
Text JumpPagesLabel(const Text& pages);

// The text of album line `album` (1-based) and its address; empty texts for a line or an address that
// does not exist (a list that changed under a running routine).
Text AlbumUrlAt(int album);

}  // namespace dorvane

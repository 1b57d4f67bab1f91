#pragma once
// What the sites' listings share: albums cut out of a listing page by a pattern, and the page counts and
// labels of the page selector.
#include <vector>

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

// A page-number text read from a site's index page as a page count, read as the integer conversion
// reads it (leading digits; none, or a count below 1, gives 0): "0x10" is 0 pages, "1e3" one. A count
// beyond kMaxListingPages is held there, so a garbled or hostile index page cannot make the selector
// swallow the memory of the machine.
constexpr int kMaxListingPages = 100000;
int PageCountFromText(const Text& pageNumberText);

}  // namespace dorvane

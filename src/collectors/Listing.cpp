#include "collectors/Listing.h"

#include "core/Numbers.h"
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
    const int value = ToInteger(pageNumberText);
    if (value < 1) return 0;
    return value >= kMaxListingPages ? kMaxListingPages : value;
}

}  // namespace dorvane

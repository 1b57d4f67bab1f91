#include "collectors/Listing.h"

#include <algorithm>

#include "core/Numbers.h"
#include "core/ProgramState.h"
#include "text/RegexObject.h"

namespace dorvane {

AlbumEntries MatchAlbums(const Text& pattern, const Text& listingPage) {
    AlbumEntries albums;
    RegexObject regex;
    regex.Search(pattern, listingPage);
    const int count = regex.MatchCount();
    albums.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) albums.push_back({regex.SubMatchText(i, 2), regex.SubMatchText(i, 1)});
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
    const int count = PageCountFromText(pageNumberText);
    for (int i = 1; i <= count; ++i) page.pages->AddItem(IntegerText(i));
    page.pages->SetSelection(0);
}

Text BeginListingLoad(SitePage& page) {
    page.albums->Clear();
    State().albumUrls.Clear();
    State().albumImageCounts.Clear();
    const int selection = page.pages->Selection();
    return selection < 0 ? Text{} : page.pages->ItemText(selection);
}

void AppendAlbums(SitePage& page, const AlbumEntries& albums) {
    for (const AlbumEntry& album : albums) {
        // The address goes in only with its line, so the two lists never drift apart.
        if (page.albums->AddItem(album.title) >= 0) State().albumUrls.Append(album.url);
    }
}

Text AlbumUrlAt(int album) { return State().albumUrls.At(album); }

}  // namespace dorvane

// Site A's parsers over any page: the home page menu, the pager of a category, the three listing kinds,
// an album's pager and an album page's image.
#include "FuzzInput.h"
#include "collectors/SiteA.h"

using namespace dorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text page = fuzz::InputText(data, size);
    sitea::ParseMenu(page);
    PageCountFromText(sitea::AlbumPageCountText(page));
    const int comments = sitea::CommentPageCount(page);
    FUZZ_CHECK(comments >= 1 && comments <= kMaxListingPages);
    for (sitea::ListKind kind : {sitea::kAlbumPages, sitea::kCommentPages, sitea::kAllAlbums}) {
        for (const AlbumEntry& entry : sitea::ParseListing(page, kind)) {
            FUZZ_CHECK(entry.title.size() <= page.size() && entry.url.size() <= page.size());
            sitea::FolderTitle(entry.title);
        }
    }
    FUZZ_CHECK(sitea::ImageCount(page, "https://h/1") >= 0);
    FUZZ_CHECK(sitea::ImageAddress(page).size() <= page.size());
    return 0;
}

// Site B's parsers over any page: the tag block, the album count of a tag page, the listing and the
// listing address built from a page text.
#include "FuzzInput.h"
#include "collectors/SiteB.h"

using namespace dorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text page = fuzz::InputText(data, size);
    for (const AlbumEntry& tag : siteb::ParseTags(page)) siteb::ListingUrl(tag.url, tag.title);
    const int albums = siteb::AlbumCount(page);
    FUZZ_CHECK(albums >= 0);
    const int pages = siteb::PageCount(albums);
    FUZZ_CHECK(pages >= 0 && pages <= kMaxListingPages);
    for (const AlbumEntry& album : siteb::ParseListing(page)) {
        FUZZ_CHECK(album.title.size() <= page.size() && album.imageCount.size() <= page.size());
        PageCountFromText(album.imageCount);
    }
    return 0;
}

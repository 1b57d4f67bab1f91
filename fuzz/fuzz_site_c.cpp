// Site C's parsers over any page: the index pager, the listing with its character-reference titles and
// the album page's image links for the viewer and the downloader.
#include "FuzzInput.h"
#include "collectors/SiteC.h"

using namespace dorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text page = fuzz::InputText(data, size);
    const int pages = PageCountFromText(sitec::Parts().pageNumberText(page));
    FUZZ_CHECK(pages >= 0 && pages <= kMaxListingPages);
    sitec::Parts().parseListing(page, "http://h:1");
    sitec::DecodeTitle(page);
    const TextList viewer = sitec::Parts().viewerImageLinks(page);
    const TextList worker = sitec::Parts().workerImageLinks(page);
    for (const TextList* links : {&viewer, &worker}) {
        for (const Text& link : *links) FUZZ_CHECK(link.size() <= page.size());
    }
    return 0;
}

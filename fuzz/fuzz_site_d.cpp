// Site D's parsers over any page: the pager of the first listing page, the listing and the album
// page's image links (each below the length limit, "jpg" appended).
#include "FuzzInput.h"
#include "collectors/SiteD.h"

using namespace dorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text page = fuzz::InputText(data, size);
    const int pages = PageCountFromText(sited::Parts().pageNumberText(page));
    FUZZ_CHECK(pages >= 0 && pages <= kMaxListingPages);
    sited::Parts().parseListing(page, {});
    for (const Text& link : sited::Parts().viewerImageLinks(page)) FUZZ_CHECK(link.size() < 100 + 3);
    return 0;
}

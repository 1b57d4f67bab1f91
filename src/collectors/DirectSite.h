#pragma once
// The routines of a site whose albums are opened straight from their image links (Sites C to E): the
// sites differ only in addresses, page markers and parsing, so each one describes those and the
// routines around them are built here once.
#include <functional>

#include "collectors/Listing.h"
#include "core/SiteRoutines.h"

namespace dorvane {

struct DirectSite {
    Site site = Site::C;
    // The address of the first listing page, fetched with HttpFetch when the tab page is selected.
    std::function<Text()> firstListingUrl;
    // The page-number text on that first listing page (empty when its markers are missing).
    std::function<Text(const Text& firstListingPage)> pageNumberText;
    // Fetches the listing page with that page text and cuts its albums out.
    std::function<AlbumEntries(const Text& pageText)> fetchListing;
    // Image links of an album page as the viewer steps them, and as the page worker downloads them.
    std::function<TextList(const Text& albumPage)> viewerImageLinks;
    std::function<TextList(const Text& albumPage)> workerImageLinks;
    // Header lines for every image request, read when a routine starts (the host may have changed);
    // not set when the site sends none of its own.
    std::function<Text()> imageHeaders;
};

// pageLoader, listingLoad, albumOpen, pageWorker, previous, next and save for the described site.
SiteRoutines DirectSiteRoutines(const DirectSite& site);

}  // namespace dorvane

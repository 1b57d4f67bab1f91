#pragma once
// Site D ("二次元", tab page 3): a paged category listing in UTF-8; titles and album addresses are
// taken as matched; no request carries a header of its own.
#include <memory>

#include "collectors/SiteDescription.h"

namespace dorvane::sited {

// "http://" + host + "/dmmt" and "http://" + host + "/dmmt/page/" + page.
Text FirstListingUrl(const Text& home);
Text ListingUrl(const Text& home, const Text& page);

// The number of the last page, from the page links of the first listing page; empty without them.
Text PageNumberText(const Text& firstListingPage);
// Titles and addresses, unchanged, of a listing page in GBK.
AlbumEntries ParseListing(const Text& listingPage);
// Image links of an album page, "jpg" appended; a link of 100 bytes or more is dropped.
TextList ImageLinks(const Text& albumPage);

// The site as values.
std::unique_ptr<SiteDescription> Describe(HostSource host);

}  // namespace dorvane::sited

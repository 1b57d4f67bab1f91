#pragma once
// Site E ("漫图", tab page 4): the image column of a news site, one album per article; listing pages
// used as HttpFetch returns them; no request carries a header of its own.
#include <memory>

#include "collectors/SiteDescription.h"

namespace dorvane::sitee {

// "http://" + host + "/meituxinshang/p" + page + ".html"; the first listing page is page 1.
Text FirstListingUrl(const Text& home);
Text ListingUrl(const Text& home, const Text& page);

// The number in the address of the last-page link; empty without it.
Text PageNumberText(const Text& firstListingPage);
// Titles and article addresses, unchanged, of a listing page as HttpFetch returns it.
AlbumEntries ParseListing(const Text& listingPage);
// Image links of an article page, "jpg" appended; a link of 100 bytes or more is dropped.
TextList ImageLinks(const Text& albumPage);

// The site as values.
std::unique_ptr<SiteDescription> Describe(HostSource host);

}  // namespace dorvane::sitee

#pragma once
// Site B ("Tavesh", tab page 1), over HTTPS: albums grouped by tags, 60 to a listing page. A listing shows
// each album's cover, title and image count, and the images lie beside the cover (cover 0.jpg, images
// 1.jpg, 2.jpg ...), so no album page is ever fetched. Image requests, and only they, carry the Referer of
// a fixed tag page.
#include <memory>

#include "collectors/SiteDescription.h"

namespace dorvane::siteb {

// "https://" + host + "/", and "Referer: " + that + "t/nvshen/".
Text Home(const Text& host);
Text ImageHeaders(const Text& home);

// The tag block of the home page: tag names (group 2) and addresses (group 1), paired by position.
AlbumEntries ParseTags(const Text& homePage);
// The number of albums a tag page reports; 0 without it.
int AlbumCount(const Text& tagPage);
// Listing pages for that many albums, 60 to a page: a part page counts as a page, so every album can be
// reached.
int PageCount(int albumCount);
// The listing address of page text P of a tag: the tag address itself for page 1.
Text ListingUrl(const Text& tagUrl, const Text& pageText);
// Covers (as addresses), titles and image counts of a listing page in GBK.
AlbumEntries ParseListing(const Text& listingPage);

// The site as values. A listing's source is the chosen tag's address; its viewer steps from the covers.
std::unique_ptr<SiteDescription> Describe(HostSource host);

}  // namespace dorvane::siteb

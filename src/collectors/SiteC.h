#pragma once
// Site C ("Cosplay", tab page 2): numbered photo-index pages served in UTF-8, titles written as
// hexadecimal character references, image links carrying a resizing suffix that the viewer keeps and
// the downloader cuts off.
#include <memory>

#include "collectors/SiteDescription.h"

namespace dorvane::sitec {

// home + "/photo/index/2" and home + "/photo/index/2-0-" + page, home being "http://" + host.
Text IndexUrl(const Text& home);
Text ListingUrl(const Text& home, const Text& page);

// The last page number linked before "下一页" on the first index page; empty when the markers are missing.
Text PageNumberText(const Text& indexPage);
// Album titles (references decoded) and addresses (home + the relative path) of a listing page in GBK.
AlbumEntries ParseListing(const Text& listingPage, const Text& home);
// "&#x" becomes "%u", every ";" goes, then the percent-u escapes are decoded.
Text DecodeTitle(const Text& raw);
// Image links of an album page: with the resizing suffix for the viewer, without it for the downloader.
TextList ViewerImageLinks(const Text& albumPage);
TextList WorkerImageLinks(const Text& albumPage);

// The site as values; image requests name its home address as their Referer.
std::unique_ptr<SiteDescription> Describe(HostSource host);

}  // namespace dorvane::sitec

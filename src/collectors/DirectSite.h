#pragma once
// A site whose albums are opened straight from their image links (Sites C to E): the sites differ only in
// addresses, page markers and parsing, so each one gives those and the description around them is built
// here once.
#include <functional>
#include <memory>

#include "collectors/SiteDescription.h"

namespace dorvane {

struct DirectSiteParts {
    // The address of the first listing page, read when the page is entered; `home` is "http://" + host.
    std::function<Text(const Text& home)> firstListingUrl{};
    // The page-number text on that first listing page (empty when its markers are missing).
    std::function<Text(const Text& firstListingPage)> pageNumberText{};
    // The listing page with a page text, whether it is read as UTF-8 whatever it declares, and its albums.
    std::function<Text(const Text& home, const Text& pageText)> listingUrl{};
    bool utf8Listing = false;
    std::function<AlbumEntries(const Text& listingPage, const Text& home)> parseListing{};
    // Image links of an album page as the viewer steps them, and as a collection downloads them (the
    // viewer's when not set).
    std::function<TextList(const Text& albumPage)> viewerImageLinks{};
    std::function<TextList(const Text& albumPage)> workerImageLinks{};
    // Image requests name the home address as their Referer (otherwise they carry no header of their own).
    bool homeReferer = false;
};

std::unique_ptr<SiteDescription> DescribeDirectSite(DirectSiteParts parts, HostSource host);

}  // namespace dorvane

#pragma once
// The listing a command works on, chosen as the window chooses it: the site's menu, the page choices of
// the category, then the page's albums.
#include <mutex>
#include <string>
#include <vector>

#include "collectors/SiteDescription.h"

namespace dorvane {

// A fetcher that remembers the first page it could not fetch, so that an empty listing can be told
// apart from a listing that could not be read.
class WatchedFetcher : public SiteFetcher {
public:
    using SiteFetcher::SiteFetcher;
    Text Page(const Text& url, const Text& headers = {}) const override;
    Text Utf8Page(const Text& url) const override;
    // The address of the first page that came back empty; empty when every page arrived.
    Text FirstFailure() const;

private:
    Text Watch(const Text& url, Text page) const;

    mutable std::mutex m_mutex;
    mutable Text m_firstFailure;
};

struct CommandListing {
    enum class Outcome { Listed, UsageError, FetchFailed };
    Outcome outcome = Outcome::Listed;
    std::string message;  // UTF-8, for the usage error or the failed fetch
    ListingSnapshot snapshot;
    std::vector<std::string> menuLines;  // "menu": the boxes' items, one a line
};

// Category and page are the 1-based items of the boxes; category 0 for a site without a menu.
CommandListing ReadCommandListing(const SiteDescription& site, int category, int page, const WatchedFetcher& fetch);

// The items of the category or tag box ("category", a tab, N, a tab, the title) and of the page box of
// category `category` ("page", a tab, N), as the command's options count them.
CommandListing ReadCommandMenu(const SiteDescription& site, int category, const WatchedFetcher& fetch);

// One listing line in UTF-8: title, tab, address, tab, image count. Tabs and line breaks inside a
// field become blanks, so every album stays one line of three fields.
std::string ListingLine(const AlbumEntry& album);

}  // namespace dorvane

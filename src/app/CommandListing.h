#pragma once
// The listing a command works on, chosen as the window chooses it: the site's menu, the page choices of
// the category, then the page's albums.
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "collectors/ListingFlow.h"
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

// The boxes a command walks as the window fills them: the site's menu and the page choices of one
// category are read once, then any page of them is listed through the same flow.
class CommandBoxes {
public:
    CommandBoxes(const SiteDescription& site, const WatchedFetcher& fetch) : m_site(site), m_fetch(fetch), m_flow(site) {}

    // Fills the boxes for `category` (1-based; 0 for a site without a menu): the refusal when it has no
    // item there, nothing when they are filled.
    std::optional<CommandListing> Choose(int category);
    // The albums of page `page` (1-based) of the chosen category.
    CommandListing List(int page);
    // "menu": the category or tag box's items ("category", a tab, N, a tab, the title) and the page box's
    // ("page", a tab, N), as the command's options count them.
    CommandListing MenuLines() const;

private:
    const SiteDescription& m_site;
    const WatchedFetcher& m_fetch;
    ListingFlow m_flow;
    AlbumEntries m_menu;
    bool m_unpaged = false;
};

// Page `page` (1-based) of category `category` (0 on a site without a menu), read straight from its
// address without the menu or the page count, where the site names that address without reading a page;
// nothing elsewhere, and when the page brought no albums. A run for what is new looks here first: a page
// it knows whole costs one request.
std::optional<ListingSnapshot> PeekListing(const SiteDescription& site, const SiteFetcher& fetch, int category,
                                           int page);

// A field of a tab-separated line: its tabs and line breaks become blanks.
std::string LineField(std::string text);

// One listing line in UTF-8: title, tab, address, tab, image count. Tabs and line breaks inside a
// field become blanks, so every album stays one line of three fields.
std::string ListingLine(const AlbumEntry& album);

}  // namespace dorvane

#pragma once
// The way to a listing, the same for a site page and a command: the site's menu (on sites with one), the
// page choices of a menu entry, then the albums of a page. Each step fetches and then keeps what it read;
// the page session shows each step's answer as it comes, a command walks the steps by position. Steps may
// run on any thread; their fetches run outside the flow's lock.
#include <mutex>
#include <optional>

#include "collectors/SiteDescription.h"

namespace dorvane {

class ListingFlow {
public:
    explicit ListingFlow(const SiteDescription& site) : m_site(site) {}
    ListingFlow(const ListingFlow&) = delete;
    ListingFlow& operator=(const ListingFlow&) = delete;

    // The site's menu, kept behind the entries read before (as a box keeps what it holds); the new entries.
    AlbumEntries ReadMenu(const SiteFetcher& fetch);
    // The page choices of menu entry `index` (0-based; ignored on a site without a menu). On a site with a
    // menu they replace the page items of the entry before, on one without they add to them. Nothing when
    // the menu has no such entry.
    std::optional<PageChoices> Choose(const SiteFetcher& fetch, int index);
    // The albums of page item `index` (0-based; -1, or an item that is not there: the source without a
    // page), kept as the listing. Whatever was listed before is gone while they are on their way.
    AlbumEntries List(const SiteFetcher& fetch, int index);

    // The page item the choices ask to list at once: 0, -1 (no page), or nothing (the user picks one).
    static std::optional<int> ListAtOnce(const PageChoices& choices);

    int MenuSize() const;
    int PageItemCount() const;
    // What a collection or the viewer works on: the albums listed last and the source they were read from.
    ListingSnapshot Snapshot() const;

private:
    const SiteDescription& m_site;
    mutable std::mutex m_mutex;
    AlbumEntries m_menu;
    TextList m_pageItems;
    ListingSource m_source;
    AlbumEntries m_albums;
    Text m_address;
};

}  // namespace dorvane

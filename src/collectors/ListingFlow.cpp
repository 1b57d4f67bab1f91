#include "collectors/ListingFlow.h"

#include "core/Numbers.h"
#include "core/Worker.h"

namespace dorvane {

AlbumEntries ListingFlow::ReadMenu(const SiteFetcher& fetch) {
    AlbumEntries menu = m_site.Menu(fetch);
    std::lock_guard lock(m_mutex);
    m_menu.insert(m_menu.end(), menu.begin(), menu.end());
    return menu;
}

std::optional<PageChoices> ListingFlow::Choose(const SiteFetcher& fetch, int index) {
    PageChoices choices;
    if (m_site.HasMenu()) {
        AlbumEntries menu;
        {
            std::lock_guard lock(m_mutex);
            m_pageItems.clear();
            menu = m_menu;
        }
        if (index < 0 || index >= static_cast<int>(menu.size())) return std::nullopt;
        choices = m_site.Choices(fetch, index + 1, menu);
    } else {
        choices = m_site.Choices(fetch, 0, {});
    }
    std::lock_guard lock(m_mutex);
    for (int i = 1; i <= choices.pageCount; ++i) m_pageItems.push_back(IntegerText(i));
    if (choices.source) m_source = *choices.source;
    return choices;
}

AlbumEntries ListingFlow::List(const SiteFetcher& fetch, int index) {
    Text pageText;
    ListingSource source;
    {
        std::lock_guard lock(m_mutex);
        m_albums.clear();
        if (index >= 0 && index < static_cast<int>(m_pageItems.size())) pageText = m_pageItems[static_cast<size_t>(index)];
        source = m_source;
    }
    AlbumEntries albums = m_site.Listing(fetch, source, pageText);
    // A listing asked for after this one has taken its place: this one is not kept.
    WorkerCheckPoint();
    std::lock_guard lock(m_mutex);
    m_albums = albums;
    m_address = m_site.ListingAddress(source, pageText);
    return albums;
}

std::optional<int> ListingFlow::ListAtOnce(const PageChoices& choices) {
    switch (choices.then) {
        case PageChoices::Then::ListSelected:
            return 0;
        case PageChoices::Then::ListUnpaged:
            return -1;
        case PageChoices::Then::Nothing:
            break;
    }
    return std::nullopt;
}

int ListingFlow::MenuSize() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_menu.size());
}

int ListingFlow::PageItemCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_pageItems.size());
}

ListingSnapshot ListingFlow::Snapshot() const {
    std::lock_guard lock(m_mutex);
    return {m_albums, m_source, m_address};
}

}  // namespace dorvane

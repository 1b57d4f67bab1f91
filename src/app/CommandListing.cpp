#include "app/CommandListing.h"


#include "collectors/ListingFlow.h"
#include "core/CodePage.h"
#include "core/Numbers.h"

namespace dorvane {

namespace {

CommandListing Refused(CommandListing::Outcome outcome, std::string message) {
    CommandListing listing;
    listing.outcome = outcome;
    listing.message = std::move(message);
    return listing;
}

// A box that came out short because a page could not be fetched is a failed fetch, not a wrong number.
CommandListing OutOfRange(const WatchedFetcher& fetch, const std::string& what, int chosen, size_t offered) {
    const Text failed = fetch.FirstFailure();
    if (!failed.empty())
        return Refused(CommandListing::Outcome::FetchFailed,
                       "the " + what + " box could not be filled: " + SystemTextToUtf8(failed) + " could not be fetched");
    return Refused(CommandListing::Outcome::UsageError, "--" + what + " " + std::to_string(chosen) + ": the " + what +
                                                            " box holds " + std::to_string(offered) + " item(s)");
}

std::string OneLine(const Text& field) { return LineField(SystemTextToUtf8(field)); }

}  // namespace

Text WatchedFetcher::Page(const Text& url, const Text& headers) const { return Watch(url, SiteFetcher::Page(url, headers)); }

Text WatchedFetcher::Utf8Page(const Text& url) const { return Watch(url, SiteFetcher::Utf8Page(url)); }

Text WatchedFetcher::FirstFailure() const {
    std::lock_guard lock(m_mutex);
    return m_firstFailure;
}

Text WatchedFetcher::Watch(const Text& url, Text page) const {
    if (page.empty()) {
        std::lock_guard lock(m_mutex);
        // An empty address is a page the site could not name; it still counts as not fetched.
        if (m_firstFailure.empty()) m_firstFailure = url.empty() ? Text("(no address)") : url;
    }
    return page;
}

std::optional<CommandListing> CommandBoxes::Choose(int category) {
    if (m_site.HasMenu()) {
        m_menu = m_flow.ReadMenu(m_fetch);
        if (category < 1 || static_cast<size_t>(category) > m_menu.size())
            return OutOfRange(m_fetch, "category", category, m_menu.size());
    }
    const std::optional<PageChoices> choices = m_flow.Choose(m_fetch, category - 1);
    m_unpaged = choices && ListingFlow::ListAtOnce(*choices) == -1;
    return std::nullopt;
}

CommandListing CommandBoxes::List(int page) {
    if (m_unpaged && page != 1)
        return Refused(CommandListing::Outcome::UsageError,
                       "--page " + std::to_string(page) + ": this listing has no pages to choose from");
    if (!m_unpaged && (page < 1 || page > m_flow.PageItemCount()))
        return OutOfRange(m_fetch, "page", page, static_cast<size_t>(m_flow.PageItemCount()));
    m_flow.List(m_fetch, m_unpaged ? -1 : page - 1);
    CommandListing listing;
    listing.snapshot = m_flow.Snapshot();
    const Text failed = m_fetch.FirstFailure();
    if (listing.snapshot.albums.empty() && !failed.empty())
        return Refused(CommandListing::Outcome::FetchFailed,
                       "the listing is empty: " + SystemTextToUtf8(failed) + " could not be fetched");
    return listing;
}

CommandListing CommandBoxes::MenuLines() const {
    CommandListing listing;
    for (size_t i = 0; i < m_menu.size(); ++i)
        listing.menuLines.push_back("category\t" + std::to_string(i + 1) + '\t' + OneLine(m_menu[i].title));
    for (int i = 1; i <= m_flow.PageItemCount(); ++i) listing.menuLines.push_back("page\t" + std::to_string(i));
    const Text failed = m_fetch.FirstFailure();
    if (listing.menuLines.empty() && !failed.empty())
        return Refused(CommandListing::Outcome::FetchFailed,
                       "the boxes are empty: " + SystemTextToUtf8(failed) + " could not be fetched");
    return listing;
}

std::optional<ListingSnapshot> PeekListing(const SiteDescription& site, const SiteFetcher& fetch, int category,
                                           int page) {
    const std::optional<ListingSource> source = site.SourceUnread(category);
    if (!source || page < 1) return std::nullopt;
    const Text pageText = IntegerText(page);
    ListingSnapshot snapshot{site.Listing(fetch, *source, pageText), *source, site.ListingAddress(*source, pageText)};
    if (snapshot.albums.empty()) return std::nullopt;
    return snapshot;
}

std::string LineField(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

std::string ListingLine(const AlbumEntry& album) {
    return OneLine(album.title) + '\t' + OneLine(album.url) + '\t' + OneLine(album.imageCount);
}

}  // namespace dorvane

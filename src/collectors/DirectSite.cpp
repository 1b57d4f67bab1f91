#include "collectors/DirectSite.h"

#include "core/Numbers.h"
#include "text/Directory.h"

namespace dorvane {

namespace {

constexpr int kImageWait = 5;

class DirectSite : public SiteDescription {
public:
    DirectSite(DirectSiteParts parts, HostSource host) : m_parts(std::move(parts)), m_host(std::move(host)) {}

    PageChoices Choices(const SiteFetcher& fetch, int, const AlbumEntries&) const override {
        const Text number = m_parts.pageNumberText(fetch.Page(m_parts.firstListingUrl(Home())));
        PageChoices choices;
        choices.pagesShown = number;
        choices.pageCount = PageCountFromText(number);
        choices.then = PageChoices::Then::ListSelected;
        return choices;
    }

    std::optional<ListingSource> SourceUnread(int) const override { return ListingSource{}; }

    AlbumEntries Listing(const SiteFetcher& fetch, const ListingSource&, const Text& pageText) const override {
        const Text url = ListingAddress({}, pageText);
        return m_parts.parseListing(m_parts.utf8Listing ? fetch.Utf8Page(url) : fetch.Page(url), Home());
    }

    std::vector<AlbumWork> Plan(const ListingSnapshot& listing) const override {
        std::vector<AlbumWork> work;
        const Text headers = ImageHeaders();
        for (const AlbumEntry& album : listing.albums) {
            work.push_back({.title = album.title,
                            .line = album.title,
                            .address = album.url,
                            .open = [this, album, headers](const SiteFetcher& fetch) { return Open(fetch, album, headers); }});
        }
        return work;
    }

    ViewerAlbum OpenAlbum(const SiteFetcher& fetch, const ListingSnapshot& listing, int album) const override {
        const Text url = UrlAt(listing, album);
        ViewerAlbum opened;
        opened.images = m_parts.viewerImageLinks(url.empty() ? Text{} : fetch.Page(url));
        opened.imageCount = static_cast<int>(opened.images.size());
        opened.opened = !opened.images.empty();
        return opened;
    }

    Text ImageHeaders() const override { return m_parts.homeReferer ? "Referer: " + Home() : Text{}; }
    PagesWording PagesLabel() const override { return PagesWording::Open; }
    Text ListingAddress(const ListingSource&, const Text& pageText) const override {
        return m_parts.listingUrl(Home(), pageText);
    }

private:
    Text Home() const { return "http://" + m_host(); }

    static Text UrlAt(const ListingSnapshot& listing, int album) {
        if (album < 1 || album > static_cast<int>(listing.albums.size())) return {};
        return listing.albums[static_cast<size_t>(album - 1)].url;
    }

    AlbumPlan Open(const SiteFetcher& fetch, const AlbumEntry& album, const Text& headers) const {
        AlbumPlan plan;
        auto images = std::make_shared<TextList>(
            (m_parts.workerImageLinks ? m_parts.workerImageLinks : m_parts.viewerImageLinks)(
                album.url.empty() ? Text{} : fetch.Page(album.url)));
        plan.viewerImages = *images;
        plan.setsViewerImages = true;
        plan.folder = album.title.empty() ? Text{} : SafeName(album.title) + "/";
        plan.imageCount = static_cast<int>(images->size());
        plan.image = [images, headers](int j) {
            return NumberedImage((*images)[static_cast<size_t>(j - 1)], j, headers, kImageWait);
        };
        return plan;
    }

    const DirectSiteParts m_parts;
    const HostSource m_host;
};

}  // namespace

std::unique_ptr<SiteDescription> DescribeDirectSite(DirectSiteParts parts, HostSource host) {
    return std::make_unique<DirectSite>(std::move(parts), std::move(host));
}

}  // namespace dorvane

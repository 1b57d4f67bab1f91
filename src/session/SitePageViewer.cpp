// The page's single-image viewer: an album opened from the listing, stepped image by image, and the shown
// image kept in "单张采集".
#include <optional>

#include "collectors/OutputPaths.h"
#include "core/CodePage.h"
#include "core/Files.h"
#include "history/Sha256.h"
#include "core/Numbers.h"
#include "core/Worker.h"
#include "session/SitePageSession.h"
#include "session/SitePageState.h"
#include "text/Directory.h"
#include "text/Hash.h"

namespace dorvane {

Text SitePageSession::ViewerAddress(int position) const {
    std::lock_guard lock(m_mutex);
    const Viewer& viewer = m_state->viewer;
    // A position without an entry (the list was emptied by a collection, or is shorter than its count)
    // has no address: nothing is fetched and the picture is cleared.
    const auto at = [&viewer](int p) {
        return p >= 1 && p <= static_cast<int>(viewer.images.size()) ? viewer.images[static_cast<size_t>(p - 1)]
                                                                      : Text{};
    };
    if (m_site->ViewerAddressing() == Addressing::Direct) return at(position);
    const Text cover = at(viewer.coverIndex);
    return cover.empty() ? Text{} : CoverImageAddress(cover, position);
}

void SitePageSession::ShowImage(int position) {
    // The next click moves on at once: fetching this image would only hold it up.
    if (ReplacedBeforeShown(position)) return;
    const Text address = ViewerAddress(position);
    Bytes bytes;
    if (!address.empty()) {
        // While the image is on its way, a step clicked right behind may end its transfer.
        struct Fetching {
            SitePageSession& session;
            Fetching(SitePageSession& owner, int shown) : session(owner) {
                std::lock_guard lock(session.m_mutex);
                session.m_state->fetching = CurrentWorker() ? CurrentWorker()->shared_from_this() : nullptr;
                session.m_state->fetchingPosition = shown;
            }
            ~Fetching() {
                std::lock_guard lock(session.m_mutex);
                session.m_state->fetching.reset();
            }
        } fetching(*this, position);
        bytes = FetchShown(address);
    }
    SitePage* page = m_view.page;
    Post([page, bytes = std::move(bytes)] { page->preview->SetPicture(bytes); });
    FetchAhead(position);
}

Bytes SitePageSession::FetchShown(const Text& address) {
    // The image fetched ahead for this very address (the album may have changed since it started); one
    // that failed is fetched again, as the user asked for a fresh try.
    std::optional<Bytes> ahead = m_lookAhead.Take(address);
    if (ahead && !ahead->empty()) return std::move(*ahead);
    return m_fetch.Image(address, m_site->ImageHeaders());
}

void SitePageSession::FetchAhead(int position) {
    // One transfer at a time: the next image is asked for when the user steps to it.
    if (m_parallel < 2) return;
    const int next = position + 1;
    {
        std::lock_guard lock(m_mutex);
        if (next > m_state->viewer.count) return;
    }
    const Text address = ViewerAddress(next);
    if (address.empty()) return;
    // By value: the fetch may still be unwinding after this session is gone.
    m_lookAhead.Start(
        address,
        [fetch = m_fetch, headers = m_site->ImageHeaders()](const Text& url) {
            return fetch.Image(url, headers);
        },
        CurrentWorker());
}

void SitePageSession::DoOpenAlbum(int line) {
    const ListingSnapshot listing = Listing();
    {
        std::lock_guard lock(m_mutex);
        m_state->viewer.images.clear();
    }
    const int album = line + 1;
    if (album < 1) return;
    SitePage* page = m_view.page;
    const bool titled = m_site->OpenShowsTitle();
    if (titled) {
        const Text title = album <= static_cast<int>(listing.albums.size())
                               ? listing.albums[static_cast<size_t>(album - 1)].title
                               : Text{};
        std::lock_guard lock(m_mutex);
        m_state->viewer.position = 1;
        Post([page, title] {
            page->title->SetText(title);
            page->counter->SetText("1");
        });
    }
    ViewerAlbum opened = m_site->OpenAlbum(m_fetch, listing, album);
    WorkerCheckPoint();
    if (!opened.opened) return;
    {
        std::lock_guard lock(m_mutex);
        // The list goes in whole once every page was read, so a collection that starts meanwhile and
        // empties it never meets a half-built list.
        Viewer& viewer = m_state->viewer;
        viewer.images = std::move(opened.images);
        viewer.count = opened.imageCount;
        viewer.coverIndex = opened.coverIndex;
        viewer.position = 1;
    }
    if (!titled) Post([page] { page->counter->SetText("1"); });
    ShowImage(1);
}

void SitePageSession::DoStep(int delta) {
    int position = 0;
    {
        std::lock_guard lock(m_mutex);
        Viewer& viewer = m_state->viewer;
        const bool atEnd = delta < 0 ? viewer.position < 2 : viewer.position >= viewer.count;
        if (!atEnd) viewer.position += delta;
        position = atEnd ? 0 : viewer.position;
    }
    MainControls* controls = m_view.controls;
    if (position == 0) {
        static const Text first = Gbk("已经是第一张了");
        static const Text last = Gbk("已经是最后一张了");
        Post([controls, delta] { controls->messages->Show(delta < 0 ? first : last); });
        return;
    }
    SitePage* page = m_view.page;
    Post([page, position] { page->counter->SetText(IntegerText(position)); });
    ShowImage(position);
}

void SitePageSession::RecordKept(const Text& path, const Bytes& bytes) {
    if (!m_history.store) return;
    // Kept outside any run. The picture may have come from a collection as well as from the viewer, so
    // no image address is claimed for it: the history never skips an image on the strength of a save.
    const HistoryStatus status = m_history.store->RecordImage(0, {.site = m_history.siteKey,
                                                                  .listing = SystemTextToUtf8(Listing().address),
                                                                  .album = {},
                                                                  .title = {},
                                                                  .address = {},
                                                                  .path = NativePath(path),
                                                                  .size = static_cast<long long>(bytes.size()),
                                                                  .sha256 = Sha256Hex(bytes)});
    if (!status.Ok() && m_history.failed) m_history.failed(status);
}

void SitePageSession::DoSave(int) {
    const Text folder = SingleSaveFolder(m_view.saveFolder ? m_view.saveFolder() : Text{});
    EnsureDirectory(folder);
    const Bytes bytes = m_view.page->preview->GetPicture();
    // Nothing on screen is nothing to keep: an empty file announced as a success would be a lie.
    if (bytes.empty()) return;
    const Text path = folder + Md5Hex(bytes, true, true) + ".jpg";
    if (!WriteFile(path, bytes)) return;
    RecordKept(path, bytes);
    static const Text saved = Gbk("采集成功！");
    MainControls* controls = m_view.controls;
    Post([controls] { controls->messages->Show(saved); });
}

}  // namespace dorvane

#include "session/SitePageSession.h"

#include "session/SitePageState.h"

#include <algorithm>

#include "core/Numbers.h"
#include "core/Worker.h"

namespace dorvane {

namespace {

// What replaces what among the page's requests.
enum RequestKey : int { kContentKey, kOpenKey, kStepKey, kSaveKey };

std::shared_ptr<WorkerToken> CurrentToken() {
    WorkerToken* current = CurrentWorker();
    return current ? current->shared_from_this() : nullptr;
}

}  // namespace

void PostDirectly(std::function<void()> change, const std::shared_ptr<WorkerToken>& from) {
    if (from && from->StopRequested()) return;
    change();
}

SitePageSession::SitePageSession(std::shared_ptr<const SiteDescription> site, PageView view)
    : m_site(std::move(site)), m_view(std::move(view)), m_state(std::make_unique<State>()) {}

SitePageSession::~SitePageSession() { StopAll(); }

void SitePageSession::Post(std::function<void()> change) { m_view.post(std::move(change), CurrentToken()); }

std::shared_ptr<WorkerToken> SitePageSession::Run(int key, void (SitePageSession::*request)(int), int argument) {
    return m_requests.Run(key, [this, request, argument] { (this->*request)(argument); });
}

std::shared_ptr<WorkerToken> SitePageSession::RunContent(void (SitePageSession::*request)(int), int argument) {
    // What the page lists changes: nothing asked for on the old listing is wanted any more, but keeping
    // an image the user saw is never dropped.
    m_requests.StopAll(kSaveKey);
    m_lookAhead.Stop();
    return Run(kContentKey, request, argument);
}

std::shared_ptr<WorkerToken> SitePageSession::Enter() { return RunContent(&SitePageSession::DoEnter, 0); }
std::shared_ptr<WorkerToken> SitePageSession::ChooseMenu(int index) {
    return RunContent(&SitePageSession::DoChooseMenu, index);
}
std::shared_ptr<WorkerToken> SitePageSession::ChoosePage(int index) {
    return RunContent(&SitePageSession::DoChoosePage, index);
}

std::shared_ptr<WorkerToken> SitePageSession::OpenAlbum(int line, bool autoCollect) {
    if (autoCollect) return nullptr;
    m_requests.Stop(kStepKey);
    m_lookAhead.Stop();
    return Run(kOpenKey, &SitePageSession::DoOpenAlbum, line);
}

std::shared_ptr<WorkerToken> SitePageSession::Previous() { return Run(kStepKey, &SitePageSession::DoStep, -1); }
std::shared_ptr<WorkerToken> SitePageSession::Next() { return Run(kStepKey, &SitePageSession::DoStep, 1); }
std::shared_ptr<WorkerToken> SitePageSession::Save() { return Run(kSaveKey, &SitePageSession::DoSave, 0); }

void SitePageSession::StopAll() {
    // The requests first: a step that was about to fetch ahead finds itself stopped and starts nothing.
    m_requests.StopAll();
    m_lookAhead.Stop();
}

ListingSnapshot SitePageSession::Listing() const {
    std::lock_guard lock(m_mutex);
    return {m_state->listing, m_state->source};
}

// --- what the page lists ---

void SitePageSession::DoEnter(int) {
    if (!m_site->HasMenu()) {
        ApplyChoices(m_site->Choices(m_fetch, 0, {}));
        return;
    }
    const AlbumEntries menu = m_site->Menu(m_fetch);
    int count = 0;
    {
        std::lock_guard lock(m_mutex);
        // Behind what the box holds already, as its items are.
        m_state->menu.insert(m_state->menu.end(), menu.begin(), menu.end());
        count = static_cast<int>(m_state->menu.size());
    }
    const int selection = std::min(m_site->EnteredMenuSelection(), count - 1);
    SitePage* page = m_view.page;
    Post([page, menu, selection] {
        for (const AlbumEntry& entry : menu) page->categories->AddItem(entry.title);
        page->categories->SetSelection(selection);
    });
    DoChooseMenu(selection);
}

void SitePageSession::DoChooseMenu(int index) {
    SitePage* page = m_view.page;
    Post([page] { page->pages->Clear(); });
    AlbumEntries menu;
    {
        std::lock_guard lock(m_mutex);
        m_state->pageItems.clear();
        menu = m_state->menu;
    }
    if (index < 0 || index >= static_cast<int>(menu.size())) return;
    ApplyChoices(m_site->Choices(m_fetch, index + 1, menu));
}

void SitePageSession::DoChoosePage(int index) {
    Text pageText;
    {
        std::lock_guard lock(m_mutex);
        const TextList& items = m_state->pageItems;
        if (index >= 0 && index < static_cast<int>(items.size())) pageText = items[static_cast<size_t>(index)];
    }
    ListPage(pageText);
}

void SitePageSession::ApplyChoices(const PageChoices& choices) {
    SitePage* page = m_view.page;
    TextList added;
    for (int i = 1; i <= choices.pageCount; ++i) added.push_back(IntegerText(i));
    Text first;
    {
        std::lock_guard lock(m_mutex);
        TextList& items = m_state->pageItems;
        items.insert(items.end(), added.begin(), added.end());
        if (choices.source) m_state->source = *choices.source;
        if (!items.empty()) first = items.front();
    }
    Post([page, choices, added = std::move(added)] {
        if (choices.selectorShown) page->pages->SetVisible(*choices.selectorShown);
        if (choices.countLabel) page->pageCount->SetText(*choices.countLabel);
        for (const Text& item : added) page->pages->AddItem(item);
        page->pages->SetSelection(0);
    });
    if (choices.then == PageChoices::Then::ListSelected) ListPage(first);
    if (choices.then == PageChoices::Then::ListUnpaged) ListPage({});
}

void SitePageSession::ListPage(const Text& pageText) {
    SitePage* page = m_view.page;
    ListingSource source;
    {
        std::lock_guard lock(m_mutex);
        m_state->listing.clear();
        source = m_state->source;
    }
    Post([page] { page->albums->Clear(); });
    AlbumEntries albums = m_site->Listing(m_fetch, source, pageText);
    WorkerCheckPoint();
    {
        std::lock_guard lock(m_mutex);
        m_state->listing = albums;
    }
    Post([page, albums = std::move(albums)] {
        for (const AlbumEntry& album : albums) page->albums->AddItem(album.title);
    });
}

}  // namespace dorvane

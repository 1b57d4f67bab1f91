#include "session/SitePageSession.h"

#include "session/PageWords.h"
#include "session/SitePageState.h"

#include <algorithm>

#include "core/Numbers.h"
#include "core/Worker.h"

namespace dorvane {

namespace {

// The listing requests replace each other; the viewer's clicks replace nothing.
constexpr int kContentKey = 0;

std::shared_ptr<WorkerToken> CurrentToken() {
    WorkerToken* current = CurrentWorker();
    return current ? current->shared_from_this() : nullptr;
}

}  // namespace

void PostDirectly(std::function<void()> change, const std::shared_ptr<WorkerToken>& from) {
    if (from && from->StopRequested()) return;
    change();
}

SitePageSession::SitePageSession(std::shared_ptr<const SiteDescription> site, PageView view,
                                 const Settings& settings, HistoryUse history)
    : m_site(std::move(site)),
      m_view(std::move(view)),
      m_fetch(settings.Network()),
      m_parallel(settings.parallel),
      m_skipExisting(settings.skip == Settings::Skip::Existing),
      m_history(std::move(history)),
      m_flow(*m_site),
      m_state(std::make_unique<State>()) {}

SitePageSession::~SitePageSession() { StopAll(); }

void SitePageSession::Post(std::function<void()> change) { m_view.post(std::move(change), CurrentToken()); }

std::shared_ptr<WorkerToken> SitePageSession::RunContent(void (SitePageSession::*request)(int), int argument) {
    // What the page lists changes: an older listing request is no longer wanted, nor the image fetched
    // ahead on the old listing's album. The viewer's clicks stay: what the user clicked is never dropped.
    m_lookAhead.Stop();
    return m_requests.Run(kContentKey, [this, request, argument] { (this->*request)(argument); });
}

std::shared_ptr<WorkerToken> SitePageSession::RunClick(Click kind, void (SitePageSession::*request)(int),
                                                       int argument) {
    std::lock_guard order(m_clickOrder);
    unsigned long long number = 0;
    std::shared_ptr<WorkerToken> overtaken;
    {
        std::lock_guard lock(m_mutex);
        number = m_state->clicksQueued++;
        m_state->clicks.push_back({number, kind, argument});
        // A step right behind one whose image is still on its way moves on from it: that image would be
        // replaced the moment it arrived, so its transfer ends now.
        const bool rightBehind = m_state->clicks.size() == 2 && m_state->fetching;
        if (kind == Click::Step && rightBehind && StepMovesFrom(m_state->fetchingPosition, argument))
            overtaken = m_state->fetching;
    }
    if (overtaken) overtaken->RequestStop();
    // The click leaves the waiting ones however its routine ends.
    const auto ended = [this, number] {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_state->clicks, [number](const PendingClick& click) { return click.number == number; });
    };
    auto token = m_requests.Run(InteractionQueue::kNoKey, [this, request, argument, ended] {
        struct Ending {
            const decltype(ended)& leave;
            ~Ending() { leave(); }
        } ending{ended};
        (this->*request)(argument);
    });
    if (!token) ended();
    return token;
}

bool SitePageSession::StepMovesFrom(int position, int delta) const {
    return delta < 0 ? position >= 2 : position < m_state->viewer.count;
}

bool SitePageSession::ReplacedBeforeShown(int position) const {
    std::lock_guard lock(m_mutex);
    // The first click waiting is the one under way; the one after it decides.
    const std::deque<PendingClick>& clicks = m_state->clicks;
    return clicks.size() >= 2 && clicks[1].kind == Click::Step && StepMovesFrom(position, clicks[1].argument);
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
    m_lookAhead.Stop();
    return RunClick(Click::Open, &SitePageSession::DoOpenAlbum, line);
}

std::shared_ptr<WorkerToken> SitePageSession::Previous() { return RunClick(Click::Step, &SitePageSession::DoStep, -1); }
std::shared_ptr<WorkerToken> SitePageSession::Next() { return RunClick(Click::Step, &SitePageSession::DoStep, 1); }
std::shared_ptr<WorkerToken> SitePageSession::Save() { return RunClick(Click::Save, &SitePageSession::DoSave, 0); }

void SitePageSession::StopListing() { m_requests.Stop(kContentKey); }

void SitePageSession::StopAll() {
    // The requests first: a step that was about to fetch ahead finds itself stopped and starts nothing.
    m_requests.StopAll();
    m_lookAhead.Stop();
    // A click stopped before its turn never runs to leave the waiting ones itself.
    std::lock_guard lock(m_mutex);
    m_state->clicks.clear();
}

ListingSnapshot SitePageSession::Listing() const { return m_flow.Snapshot(); }

// --- what the page lists ---

void SitePageSession::DoEnter(int) {
    if (!m_site->HasMenu()) {
        ApplyChoices(m_flow.Choose(m_fetch, 0));
        return;
    }
    const AlbumEntries menu = m_flow.ReadMenu(m_fetch);
    const int selection = std::min(m_site->EnteredMenuSelection(), m_flow.MenuSize() - 1);
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
    ApplyChoices(m_flow.Choose(m_fetch, index));
}

void SitePageSession::DoChoosePage(int index) { ListPage(index); }

void SitePageSession::ApplyChoices(const std::optional<PageChoices>& choices) {
    if (!choices) return;
    SitePage* page = m_view.page;
    TextList added;
    for (int i = 1; i <= choices->pageCount; ++i) added.push_back(IntegerText(i));
    std::optional<Text> label;
    if (choices->pagesShown) label = PagesLabel(m_site->PagesLabel(), *choices->pagesShown);
    Post([page, paged = choices->paged, label, added = std::move(added)] {
        if (paged) page->pages->SetVisible(*paged);
        if (label) page->pageCount->SetText(*label);
        for (const Text& item : added) page->pages->AddItem(item);
        page->pages->SetSelection(0);
    });
    if (const std::optional<int> first = ListingFlow::ListAtOnce(*choices)) ListPage(*first);
}

void SitePageSession::ListPage(int index) {
    SitePage* page = m_view.page;
    Post([page] { page->albums->Clear(); });
    AlbumEntries albums = m_flow.List(m_fetch, index);
    Post([page, albums = std::move(albums)] {
        for (const AlbumEntry& album : albums) page->albums->AddItem(album.title);
    });
}

}  // namespace dorvane

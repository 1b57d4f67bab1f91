#pragma once
// One site tab page: what it holds (menu, page choices, listing, the viewer's album and position, the
// source its listings read) and the requests the user makes on it. Every request runs off the window
// thread, one after another in the order they were made, and their effects reach the controls through the
// view's poster, never waiting on the window. A newer request that changes what the page lists (page
// entered, menu entry, page chosen) stops the older ones of its kind. The viewer's clicks (album open,
// previous, next, save) are never stopped by anything but the page's end: each takes effect as if the
// ones before it had ended, except that a step whose image the next click replaces at once does not fetch
// it. With several transfers allowed, the album's next image is fetched ahead after one is shown.
//
// The session works under the settings it was built with (transfer limits, transfers in flight, skipping
// stored images); a page built with other settings beside it keeps to its own.
#include <memory>
#include <mutex>

#include "collectors/CollectionEngine.h"
#include "collectors/HistoryRecorder.h"
#include "collectors/ListingFlow.h"
#include "collectors/SiteDescription.h"
#include "core/Interactions.h"
#include "core/Settings.h"
#include "session/PageView.h"
#include "session/ViewerLookAhead.h"

namespace dorvane {

class SitePageSession {
public:
    SitePageSession(std::shared_ptr<const SiteDescription> site, PageView view, const Settings& settings,
                    HistoryUse history = {});
    ~SitePageSession();
    SitePageSession(const SitePageSession&) = delete;
    SitePageSession& operator=(const SitePageSession&) = delete;

    // The requests. Each returns at once with the token of the worker that carries it out (null when no
    // thread could be made).
    std::shared_ptr<WorkerToken> Enter();
    std::shared_ptr<WorkerToken> ChooseMenu(int index);  // 0-based item of the category or tag box
    std::shared_ptr<WorkerToken> ChoosePage(int index);  // 0-based item of the page box
    // `line` is the 0-based album line; nothing happens while "自动采集" is selected.
    std::shared_ptr<WorkerToken> OpenAlbum(int line, bool autoCollect);
    std::shared_ptr<WorkerToken> Previous();
    std::shared_ptr<WorkerToken> Next();
    std::shared_ptr<WorkerToken> Save();

    // Stops the listing requests (page entered, menu entry, page chosen) that are waiting or running.
    void StopListing();
    // Stops every request of the page that is waiting or running, the viewer's clicks too.
    void StopAll();

    // The page collection, run on the calling worker: it first waits for the requests made before it,
    // then collects the listing the page shows at that moment. Ends with "本页采集完成" when "自动采集"
    // is selected then. A stop unwinds it with WorkerStopped.
    CollectionReport Collect();

    // What the page lists now.
    ListingSnapshot Listing() const;

private:
    struct State;
    struct Viewer;
    class Presenter;

    enum class Click { Open, Step, Save };
    struct PendingClick;

    std::shared_ptr<WorkerToken> RunContent(void (SitePageSession::*request)(int), int argument);
    std::shared_ptr<WorkerToken> RunClick(Click kind, void (SitePageSession::*request)(int), int argument);
    bool ReplacedBeforeShown(int position) const;
    bool StepMovesFrom(int position, int delta) const;
    void Post(std::function<void()> change);

    void DoEnter(int);
    void DoChooseMenu(int index);
    void DoChoosePage(int index);
    void DoOpenAlbum(int line);
    void DoStep(int delta);
    void DoSave(int);
    void RecordKept(const Text& path, const Bytes& bytes);
    void ApplyChoices(const std::optional<PageChoices>& choices);
    void ListPage(int index);
    void ShowImage(int position);
    Bytes FetchShown(const Text& address);
    void FetchAhead(int position);
    Text ViewerAddress(int position) const;

    const std::shared_ptr<const SiteDescription> m_site;
    const PageView m_view;
    const SiteFetcher m_fetch;
    const int m_parallel;
    const bool m_skipExisting;
    const HistoryUse m_history;
    ListingFlow m_flow;
    InteractionQueue m_requests;
    // Held while a click is queued, so the clicks waiting in the state stand in the queue's order.
    std::mutex m_clickOrder;
    // The open album's next image; stopped with everything asked for on the album.
    ViewerLookAhead m_lookAhead;
    mutable std::mutex m_mutex;
    std::unique_ptr<State> m_state;
};

}  // namespace dorvane

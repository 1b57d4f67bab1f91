#pragma once
// A site page as the benches drive it: the page's session on in-memory controls, its listing loaded the
// way the user gets there (page entered, then a menu entry if asked), and the page collection run on a
// worker of its own, as the window's "开始采集" runs it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "collectors/SiteDescription.h"
#include "core/Worker.h"
#include "session/SitePageSession.h"
#include "support/MemoryControls.h"

namespace dorvane::bench {

inline constexpr auto kPageWorkerTimeout = std::chrono::minutes(5);

// Waits for a worker to end. One that hangs ends the run: its thread still uses the page, so nothing
// here may go on and free it.
inline bool AwaitWorker(const std::shared_ptr<WorkerToken>& token) {
    if (!token) return false;
    if (!token->WaitFinished(kPageWorkerTimeout)) {
        std::fprintf(stderr, "a page worker did not finish within %lld minutes\n",
                     static_cast<long long>(kPageWorkerTimeout.count()));
        std::_Exit(1);
    }
    return true;
}

class BenchPage {
public:
    BenchPage(std::shared_ptr<const SiteDescription> site, int index, const std::string& saveFolder,
              const Settings& settings, HistoryUse history = {})
        : m_session(std::move(site),
                    PageView{&m_window.controls.sites[static_cast<size_t>(index)], &m_window.controls,
                             PostDirectly, [saveFolder] { return Text(saveFolder); }},
                    settings, std::move(history)),
          m_index(index) {}

    // Enters the page, chooses entry `menuEntry` of its menu when one is given, then the first page of
    // the page box; true when the listing then holds `albums` albums.
    bool Load(int menuEntry, int albums) {
        if (!AwaitWorker(m_session.Enter())) return false;
        if (menuEntry >= 0 && !AwaitWorker(m_session.ChooseMenu(menuEntry))) return false;
        if (!AwaitWorker(m_session.ChoosePage(0))) return false;
        return static_cast<int>(m_session.Listing().albums.size()) == albums;
    }

    // The page collection on a worker; false when no worker could be made.
    bool Collect(CollectionReport& report) {
        return AwaitWorker(StartWorkerThread([this, &report] { report = m_session.Collect(); }));
    }

    MemoryMainWindow& Window() { return m_window; }
    int Index() const { return m_index; }

private:
    MemoryMainWindow m_window;
    SitePageSession m_session;
    const int m_index;
};

}  // namespace dorvane::bench

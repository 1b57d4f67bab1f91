#pragma once
// The main window: the top area, the seven tab pages and the hidden update panel, with the handlers that
// the controls' events run. Every control carries an object name so that tests can find it.
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "app/AppHooks.h"
#include "app/GuiCall.h"
#include "collectors/HistoryRecorder.h"
#include "collectors/SiteDescription.h"
#include "collectors/SiteRegistry.h"
#include "core/Interactions.h"
#include "core/SharedList.h"
#include "view/SitePage.h"
#include "core/Worker.h"
#include "session/PageView.h"

class QTimer;

namespace dorvane {

// The program's version, the window's tag text.
inline constexpr const char* kVersionTag = "5.2.200608";
// Client area of the 800 x 600 design window.
inline constexpr int kMainClientWidth = 794;
inline constexpr int kMainClientHeight = 571;

class SitePageSession;
class HistoryStore;

// The sites of the window's site pages, in the order of the site registry; an empty slot leaves its page
// without a site (nothing happens there).
using SiteDescriptions = std::vector<std::shared_ptr<const SiteDescription>>;
// Every registered site at the host the settings name for it.
SiteDescriptions RegisteredSites(const Settings& settings = DefaultSettings());

class MainWindow : public QWidget {
public:
    // The site pages present the given sites; the hooks plug in the program's other parts. The settings are
    // those the program read at its start: the pages, the hooks and the windows opened from here work
    // under them.
    // Collections and kept images are recorded in the history when one is given.
    explicit MainWindow(SiteDescriptions sites = RegisteredSites(), AppHooks hooks = {},
                        Settings settings = DefaultSettings(), std::shared_ptr<HistoryStore> history = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The window's created handler: save folder, caption, then the version check hook.
    void StartUp();
    // From here on nothing is shown: the window's gate closes, every worker of the window is told to stop
    // and every dialog still open is closed. Called when the window closes; more calls do nothing.
    void BeginClosing();
    // Says on a status line below the pages (made the first time, the window growing to hold it) that the
    // history cannot be used or failed. Without such news the window looks as it always did.
    void SayHistoryFault(const HistoryStatus& status);
    // Called once the window has closed (the program ends its message loop there).
    std::function<void()> onClosed;

    MainControls& Controls();
    QString Tag() const;
    const Settings& StartSettings() const { return m_settings; }
    TrackedWorker& Worker() { return m_worker; }
    // The custom page's source fetch runs there, off the window thread.
    InteractionQueue& Interactions() { return *m_interactions; }
    // The session of site page `index` (null for a page without a site).
    SitePageSession* Session(int index) const;
    int SitePageCount() const { return static_cast<int>(m_sites.size()); }
    const GatePtr& Gate() const { return m_gate; }
    // Carries a control change out on the window thread without waiting; nothing is shown once the window
    // has begun to close. The site pages' sessions and the custom task's presenter show their work with it.
    const Poster& PagePoster() const { return m_post; }
    // The history the window's collections record into (none when there is none).
    const std::shared_ptr<HistoryStore>& History() const { return m_history; }
    // Tells a history failure on the terminal and, through the poster, on the window's status line.
    HistoryRecorder::Failed HistoryFaultSayer();
    // The custom page's two timers as Qt objects (their period is read through Controls().custom).
    QTimer* ClipboardTimer() const;
    QTimer* TaskTimer() const;

    // The folder dialog, replaceable for tests: returns the chosen folder or an empty string on cancel.
    std::function<QString(QWidget* owner)> folderDialog;

    // Event handlers, as the controls' events call them.
    void OnPageChanged(int page);
    void OnStart();
    void OnPause();
    void OnStop();
    void OnAutoCollect();
    void OnManualPreview();
    void OnBrowse();
    void OnBrand();
    void OnUpdate();
    void OnFetchSource();
    void OnClipboardTick();
    void OnUrlBoxFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Parts;
    void Build();
    void BuildTopArea();
    void BuildSitePage(int index, QWidget* page);
    void BuildCustomPage(QWidget* page);
    void BuildCustomWorkArea(QWidget* panel);
    void BuildCustomRules(QWidget* panel);
    void BuildCustomCommands(QWidget* panel);
    void BuildUpdatePanel();
    void Wire();
    void WireSitePage(int index);
    void BuildSessions();

    const SiteDescriptions m_sites;
    const Settings m_settings;
    // Outlives the sessions, which record into it.
    const std::shared_ptr<HistoryStore> m_history;
    std::vector<std::unique_ptr<SitePageSession>> m_sessions;
    // The save folder box's text, for the pages' workers to read without waiting on the window.
    std::shared_ptr<SharedText> m_saveFolder = std::make_shared<SharedText>();
    const AppHooks m_hooks;
    GatePtr m_gate;
    Poster m_post;
    TrackedWorker m_worker;
    // Shared with the workers that wait on it, which may outlive a window that gave up waiting for them.
    // The clipboard text at the last tick of the clipboard timer (none before the first).
    std::optional<Text> m_lastClipboard;
    std::shared_ptr<InteractionQueue> m_interactions = std::make_shared<InteractionQueue>();
    std::unique_ptr<Parts> m_parts;
};

}  // namespace dorvane

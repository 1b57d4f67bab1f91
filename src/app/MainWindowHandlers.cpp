// The main window's event wiring and handlers.
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFocusEvent>
#include <system_error>

#include "app/AppHooks.h"
#include "app/CatalogueWindow.h"
#include "app/HistoryFile.h"
#include "app/MainWindowParts.h"
#include "app/QtText.h"
#include "app/SystemOpen.h"
#include "core/CodePage.h"
#include "core/Files.h"
#include "core/Worker.h"
#include "net/HttpFetch.h"
#include "collectors/SiteRegistry.h"
#include "session/SitePageSession.h"
#include "text/Wide.h"

namespace dorvane {

namespace {

// What replaces what in the window's routine queue.
enum InteractionKey : int { kFetchSourceKey };

// How long closing the window waits for workers to leave before it gives up on them.
constexpr auto kExitWait = std::chrono::milliseconds(3000);

QString DefaultFolderDialog(QWidget* owner) {
    return QFileDialog::getExistingDirectory(owner, QString::fromUtf8("请选择一个文件夹"), QString(),
                                             QFileDialog::ShowDirsOnly);
}

}  // namespace

MainWindow::~MainWindow() {
    // From here on no other thread reaches a widget: waiting accesses give up, workers unwind.
    BeginClosing();
    if (!StopAllWorkers(kExitWait)) {
        // A worker that ignores its stop may still hold references to the control objects and to its
        // page's session: keep them (the controls only answer "closed" now) rather than let it touch
        // freed memory.
        (void)m_parts.release();
        for (auto& session : m_sessions) (void)session.release();
    }
}

void MainWindow::BeginClosing() {
    if (!m_gate->IsOpen()) return;
    m_gate->Close();
    m_worker.EndCurrent();
    m_interactions->StopAll();
    for (const auto& session : m_sessions) {
        if (session) session->StopAll();
    }
    // A box or dialog left open would keep a message loop of its own, and with it the program, running.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible()) dialog->reject();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    BeginClosing();
    QWidget::closeEvent(event);
    if (onClosed) onClosed();
}

SitePageSession* MainWindow::Session(int index) const {
    if (index < 0 || index >= static_cast<int>(m_sessions.size())) return nullptr;
    return m_sessions[static_cast<size_t>(index)].get();
}

void MainWindow::BuildSessions() {
    Parts& p = *m_parts;
    connect(p.saveFolder, &QLineEdit::textChanged, this, [this] { m_saveFolder->Set(FromQt(m_parts->saveFolder->text())); });
    // Control changes from the pages' workers are queued to the window thread and not waited for.
    m_post = [gate = m_gate, context = this](std::function<void()> change,
                                             const std::shared_ptr<WorkerToken>& from) {
        // The token is held, not watched: a change that arrives after its worker ended normally is shown.
        gate->Post(context, [gate, change = std::move(change), from] {
            // Nothing is shown once the window has begun to close.
            if (!gate->IsOpen() || (from && from->StopRequested())) return;
            Guarded("page change", change);
        });
    };
    for (size_t i = 0; i < m_sites.size(); ++i) {
        if (!m_sites[i]) {
            m_sessions.push_back(nullptr);
            continue;
        }
        PageView view{&p.controls.sites[i], &p.controls, m_post, [folder = m_saveFolder] { return folder->Get(); }};
        // A history that fails is said once, on the terminal and on the window's status line; the collection
        // goes on without it.
        const HistoryUse history{m_history.get(), Sites().at(i).key, m_settings.skip == Settings::Skip::Recorded,
                                 HistoryFaultSayer()};
        m_sessions.push_back(std::make_unique<SitePageSession>(m_sites[i], std::move(view), m_settings, history));
    }
}

HistoryRecorder::Failed MainWindow::HistoryFaultSayer() {
    return [post = m_post, this](const HistoryStatus& status) {
        SayHistoryFailed(status);
        post([this, status] { SayHistoryFault(status); }, nullptr);
    };
}

void MainWindow::Wire() {
    Parts& p = *m_parts;
    p.tabs->onUserChanged = [this](int page) { Guarded("page change", [&] { OnPageChanged(page); }); };
    connect(p.startButton, &QPushButton::clicked, this, [this] { Guarded("start", [&] { OnStart(); }); });
    connect(p.pauseButton, &QPushButton::clicked, this, [this] { Guarded("pause", [&] { OnPause(); }); });
    connect(p.stopButton, &QPushButton::clicked, this, [this] { Guarded("stop", [&] { OnStop(); }); });
    connect(p.autoCollect, &QRadioButton::clicked, this,
            [this] { Guarded("auto collect", [&] { OnAutoCollect(); }); });
    connect(p.manualPreview, &QRadioButton::clicked, this,
            [this] { Guarded("manual preview", [&] { OnManualPreview(); }); });
    connect(p.browseButton, &QPushButton::clicked, this, [this] { Guarded("browse", [&] { OnBrowse(); }); });
    connect(p.brandButton, &QPushButton::clicked, this, [this] { Guarded("catalogue", [&] { OnBrand(); }); });
    connect(p.updateButton, &QPushButton::clicked, this, [this] { Guarded("update", [&] { OnUpdate(); }); });
    for (int i = 0; i < SitePageCount(); ++i) WireSitePage(i);
    connect(p.fetchButton, &QPushButton::clicked, this,
            [this] { Guarded("source fetch", [&] { OnFetchSource(); }); });
    connect(p.customStart, &QPushButton::clicked, this, [this] {
        if (m_hooks.customStart) Guarded("custom start", [&] { m_hooks.customStart(*this); });
    });
    connect(p.clipboardTimer, &QTimer::timeout, this,
            [this] { Guarded("clipboard tick", [&] { OnClipboardTick(); }); });
    connect(p.taskTimer, &QTimer::timeout, this, [this] {
        if (m_hooks.taskTimerTick) Guarded("task timer tick", [&] { m_hooks.taskTimerTick(*this); });
    });
    p.urlBox->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_parts->urlBox && event->type() == QEvent::FocusIn)
        Guarded("URL box focus", [&] { OnUrlBoxFocus(); });
    return QWidget::eventFilter(watched, event);
}

void MainWindow::WireSitePage(int index) {
    SitePageSession* session = Session(index);
    if (!session) return;
    Parts::SiteWidgets& w = m_parts->sites[static_cast<size_t>(index)];
    if (w.categories) {
        connect(w.categories, &QComboBox::activated, this,
                [this, session](int item) { Guarded("category", [&] { session->ChooseMenu(item); }); });
    }
    connect(w.pages, &QComboBox::activated, this,
            [this, session](int item) { Guarded("page choice", [&] { session->ChoosePage(item); }); });
    connect(w.albums, &QListWidget::itemDoubleClicked, this, [this, session, albums = w.albums] {
        Guarded("album open", [&] { session->OpenAlbum(albums->currentRow(), m_parts->autoCollect->isChecked()); });
    });
    w.previousArea->onClicked = [this, session] { Guarded("previous", [&] { session->Previous(); }); };
    w.nextArea->onClicked = [this, session] { Guarded("next", [&] { session->Next(); }); };
    w.saveArea->onClicked = [this, session] { Guarded("save", [&] { session->Save(); }); };
}

void MainWindow::StartUp() {
    Controls().saveFolder->SetText(CurrentDirectory());
    setWindowTitle(windowTitle() + QStringLiteral("V") + Tag());
    if (m_hooks.versionCheck) Guarded("version check", [&] { m_hooks.versionCheck(*this); });
}

void MainWindow::OnPageChanged(int page) {
    CustomPage& custom = Controls().custom;
    custom.clipboardTimer->SetPeriod(0);
    // A change of page ends the page collection and the listing loads still under way; the viewer's
    // clicks (a save, a step) go on, as the user made them.
    m_interactions->StopAll();
    for (const auto& session : m_sessions) {
        if (session) session->StopListing();
    }
    if (page >= 0 && page < SitePageCount()) {
        m_worker.EndCurrent();
        // The page's own listing load: "停止采集" and "暂停" act on the collection, not on it.
        if (SitePageSession* session = Session(page)) session->Enter();
    } else if (page == SitePageCount()) {
        m_worker.EndCurrent();
        custom.clipboardTimer->SetPeriod(2000);
    }
}

void MainWindow::OnStart() {
    const int page = Controls().tabs->CurrentPage();
    if (page < 0 || page >= SitePageCount()) return;
    SitePageSession* session = Session(page);
    if (!session) {
        // Nothing to collect on the page: the running worker still ends, as a start would end it.
        m_worker.EndCurrent();
        return;
    }
    m_worker.Start([session] { session->Collect(); });
}

void MainWindow::OnPause() {
    Button* pause = Controls().pauseButton;
    const Text caption = pause->GetCaption();
    if (caption == Gbk("暂停")) {
        m_worker.Pause();
        pause->SetCaption(Gbk("继续"));
    } else if (caption == Gbk("继续")) {
        m_worker.Resume();
        pause->SetCaption(Gbk("暂停"));
    }
}

void MainWindow::OnStop() { m_worker.EndCurrent(); }

void MainWindow::OnAutoCollect() {
    MainControls& c = Controls();
    for (Button* button : {c.startButton, c.stopButton, c.pauseButton}) button->SetVisible(true);
}

void MainWindow::OnManualPreview() {
    MainControls& c = Controls();
    for (Button* button : {c.startButton, c.stopButton, c.pauseButton}) button->SetVisible(false);
}

void MainWindow::OnBrowse() {
    const QString chosen = folderDialog ? folderDialog(this) : DefaultFolderDialog(this);
    // Cancelling keeps the folder the user had: an empty save folder would send every album to a folder
    // tree at the root of the file system.
    if (chosen.isEmpty()) return;
    Controls().saveFolder->SetText(FromQt(QDir::toNativeSeparators(chosen)));
}

void MainWindow::OnBrand() {
    CatalogueWindow catalogue(this, m_hooks, m_settings);
    catalogue.exec();
}

void MainWindow::OnUpdate() { OpenWithSystem(Controls().update.addressBox->GetText()); }

void MainWindow::OnFetchSource() {
    MainControls* controls = &Controls();
    const int answer = controls->messages->Show(Gbk("确认为[UTF-8]编码，取消为[GBK]编码！？"), MbOkCancel);
    const Text url = controls->custom.urlBox->GetText();
    // The page arrives off the window thread; a second press replaces a fetch still under way.
    m_interactions->Run(kFetchSourceKey, [controls, answer, url] {
        Text page = HttpFetch(url);
        WorkerCheckPoint();
        if (answer == IdOk) page = Utf8ToGbk(page);
        controls->custom.sourceBox->SetText(page);
    });
}

void MainWindow::OnClipboardTick() {
    MainControls& c = Controls();
    const Text clip = c.clipboard->GetText();
    // Only a clipboard that changed since the last tick is mirrored: a fetched page, typed text or a
    // task's log in the box stays until the user copies something new.
    const bool changed = !m_lastClipboard || *m_lastClipboard != clip;
    m_lastClipboard = clip;
    if (!changed || clip == c.custom.sourceBox->GetText()) return;
    c.custom.sourceBox->SetText({});
    c.custom.sourceBox->AppendText(clip);
}

void MainWindow::OnUrlBoxFocus() { Controls().custom.urlBox->SetText({}); }

}  // namespace dorvane

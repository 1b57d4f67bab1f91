// Starting, pausing, resuming and ending the tracked worker from the main window, with test sites
// standing in for the real ones.
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "app/Widgets.h"
#include "core/CodePage.h"
#include "core/Worker.h"
#include "support/LocalServer.h"

namespace dorvane::test {
namespace {

// Remembers which worker ran what: a page's entry ("loader<site>") and its collection ("worker<site>").
class Recorder {
public:
    struct Run {
        std::string kind;
        std::weak_ptr<WorkerToken> token;
        std::shared_ptr<std::atomic<int>> steps = std::make_shared<std::atomic<int>>(0);
        // The albums the collection opened, in order.
        std::shared_ptr<std::vector<int>> albums = std::make_shared<std::vector<int>>();
    };

    Run Begin(std::string kind) {
        Run run{std::move(kind), CurrentWorker()->weak_from_this()};
        std::lock_guard lock(m_mutex);
        m_runs.push_back(run);
        return run;
    }
    void Opened(const Run& run, int album) {
        std::lock_guard lock(m_mutex);
        run.albums->push_back(album);
    }
    std::vector<int> Albums(const Run& run) {
        std::lock_guard lock(m_mutex);
        return *run.albums;
    }
    std::vector<Run> Runs() {
        std::lock_guard lock(m_mutex);
        return m_runs;
    }
    size_t Count() {
        std::lock_guard lock(m_mutex);
        return m_runs.size();
    }
    // The pages' entries run until they are stopped or this is set.
    std::atomic<bool> loadersEnd{false};

private:
    std::mutex m_mutex;
    std::vector<Run> m_runs;
};

// Steps until its worker is stopped, one step a millisecond.
[[noreturn]] void StepUntilStopped(const Recorder::Run& run) {
    for (;;) {
        ++*run.steps;
        CurrentWorker()->Sleep(std::chrono::milliseconds(1));
    }
}

// A site whose page entry runs until it is stopped, and whose collection works through its albums one
// step each, the last one without end.
class EndlessSite : public SiteDescription {
public:
    EndlessSite(Recorder& recorder, int site) : m_recorder(recorder), m_site(std::to_string(site)) {}

    PageChoices Choices(const SiteFetcher&, int, const AlbumEntries&) const override {
        const Recorder::Run run = m_recorder.Begin("loader" + m_site);
        while (!m_recorder.loadersEnd) {
            ++*run.steps;
            CurrentWorker()->Sleep(std::chrono::milliseconds(1));
        }
        return {};
    }
    AlbumEntries Listing(const SiteFetcher&, const ListingSource&, const Text&) const override { return {}; }
    std::vector<AlbumWork> Plan(const ListingSnapshot&) const override {
        const Recorder::Run run = m_recorder.Begin("worker" + m_site);
        std::vector<AlbumWork> albums;
        for (int n = 1; n <= kAlbums; ++n) {
            const Text name = "worker" + m_site + " album " + std::to_string(n);
            albums.push_back({.title = name, .line = name, .progress = ProgressKind::ImageInAlbum, .open = [this, run, n](const SiteFetcher&) {
                                  m_recorder.Opened(run, n);
                                  if (n == kAlbums) StepUntilStopped(run);
                                  ++*run.steps;
                                  CurrentWorker()->Sleep(std::chrono::milliseconds(1));
                                  return AlbumPlan{};
                              }});
        }
        return albums;
    }
    ViewerAlbum OpenAlbum(const SiteFetcher&, const ListingSnapshot&, int) const override { return {}; }
    Text ImageHeaders() const override { return {}; }

private:
    static constexpr int kAlbums = 20;
    Recorder& m_recorder;
    const std::string m_site;
};

// Every site page but the one left without (if any) presents an endless site.
SiteDescriptions EndlessSites(Recorder& recorder, std::optional<int> without) {
    SiteDescriptions sites;
    for (int i = 0; i < kSiteCount; ++i) {
        if (without == i) sites.push_back(nullptr);
        else sites.push_back(std::make_shared<EndlessSite>(recorder, i));
    }
    return sites;
}

class WorkerFlow : public ::testing::Test {
protected:
    WorkerFlow() = default;
    explicit WorkerFlow(int without) : window(EndlessSites(*recorder, without)) {}
    void SetUp() override {
        window.Controls().saveFolder->SetText(FromQt(save.path()));
        tabs = Find<DesignTabs>(&window, "pageTabs");
        start = Find<QPushButton>(&window, "startButton");
        pause = Find<QPushButton>(&window, "pauseButton");
        stop = Find<QPushButton>(&window, "stopButton");
    }
    // As the user moves there.
    void MoveTo(int page) { tabs->Bar()->setCurrentIndex(page); }
    // The next routine that started (they record themselves from their own threads).
    Recorder::Run Next() {
        ++m_expected;
        EXPECT_TRUE(ProcessUntil([&] { return recorder->Count() >= m_expected; }));
        const auto runs = recorder->Runs();
        return runs.size() >= m_expected ? runs[m_expected - 1] : Recorder::Run{};
    }
    size_t m_expected = 0;
    bool Advances(const Recorder::Run& run) {
        const int before = *run.steps;
        return ProcessUntil([&] { return *run.steps > before + 1; });
    }
    bool Ends(const Recorder::Run& run) {
        return ProcessUntil([&] {
            auto token = run.token.lock();
            return !token || token->Finished();
        });
    }

    QTemporaryDir save;
    std::unique_ptr<Recorder> recorder = std::make_unique<Recorder>();
    MainWindow window{EndlessSites(*recorder, std::nullopt)};
    DesignTabs* tabs = nullptr;
    QPushButton* start = nullptr;
    QPushButton* pause = nullptr;
    QPushButton* stop = nullptr;
};

TEST_F(WorkerFlow, StopBeforeAnythingStartedDoesNothing) {
    stop->click();
    pause->click();
    EXPECT_EQ(window.Worker().Handle(), 0u);
    EXPECT_EQ(pause->text(), U("继续"));
    pause->click();
    EXPECT_EQ(pause->text(), U("暂停"));
    EXPECT_EQ(recorder->Count(), 0u);
}

TEST_F(WorkerFlow, MovingToASitePageStartsItsLoaderByTheUsersClickOnly) {
    window.Controls().tabs->SetCurrentPage(3);  // the program's own move starts nothing
    EXPECT_EQ(recorder->Count(), 0u);
    window.Controls().tabs->SetCurrentPage(0);
    QTest::mouseClick(tabs->Bar(), Qt::LeftButton, {}, tabs->Bar()->tabRect(2).center());
    ASSERT_EQ(tabs->Current(), 2);
    const Recorder::Run loader = Next();
    EXPECT_EQ(loader.kind, "loader2");
    EXPECT_TRUE(Advances(loader));
    // The listing load is the page's own, not the collection's worker.
    EXPECT_EQ(window.Worker().Handle(), 0u);
}

TEST_F(WorkerFlow, StopAndPauseLeaveTheListingLoadAndStartWaitsForIt) {
    MoveTo(1);
    const Recorder::Run loader = Next();
    stop->click();
    pause->click();
    EXPECT_TRUE(Advances(loader));
    pause->click();
    start->click();
    // The collection takes the listing the page shows once its load has ended.
    EXPECT_TRUE(Advances(loader));
    EXPECT_EQ(recorder->Count(), 1u);
    recorder->loadersEnd = true;
    const Recorder::Run worker = Next();
    EXPECT_TRUE(Ends(loader));
    EXPECT_EQ(worker.kind, "worker1");
    EXPECT_TRUE(Advances(worker));
}

TEST_F(WorkerFlow, StartTwiceBeginsAgainFromTheFirstAlbum) {
    MoveTo(2);
    Next();
    recorder->loadersEnd = true;
    start->click();
    const Recorder::Run first = Next();
    ASSERT_TRUE(Advances(first));
    start->click();
    EXPECT_TRUE(Ends(first));
    const Recorder::Run second = Next();
    ASSERT_TRUE(Advances(second));
    EXPECT_EQ(second.kind, "worker2");
    ASSERT_FALSE(recorder->Albums(second).empty());
    EXPECT_EQ(recorder->Albums(second).front(), 1);
    // The albums' statuses reach the page's title.
    EXPECT_TRUE(ProcessUntil(
        [&] { return window.Controls().sites[2].title->GetText().rfind("worker2 album ", 0) == 0; }));
}

TEST_F(WorkerFlow, StartOnTheCustomAndMorePagesChangesNothing) {
    MoveTo(4);
    Next();
    recorder->loadersEnd = true;
    start->click();
    const Recorder::Run running = Next();
    window.Controls().tabs->SetCurrentPage(6);
    const uint64_t handle = window.Worker().Handle();
    start->click();
    window.Controls().tabs->SetCurrentPage(5);
    start->click();
    EXPECT_EQ(window.Worker().Handle(), handle);
    ProcessPending();
    EXPECT_EQ(recorder->Count(), 2u);
    EXPECT_TRUE(Advances(running));
}

TEST_F(WorkerFlow, PageSixLeavesACollectionRunningAndPageFiveEndsIt) {
    MoveTo(1);
    Next();
    MoveTo(0);
    Next();
    recorder->loadersEnd = true;
    start->click();
    const Recorder::Run collection = Next();
    MoveTo(6);
    EXPECT_EQ(window.Controls().custom.clipboardTimer->Period(), 0);
    EXPECT_TRUE(Advances(collection));
    MoveTo(5);
    EXPECT_EQ(window.Controls().custom.clipboardTimer->Period(), 2000);
    EXPECT_TRUE(Ends(collection));
    MoveTo(6);
    EXPECT_EQ(window.Controls().custom.clipboardTimer->Period(), 0);
    MoveTo(5);
    MoveTo(3);
    EXPECT_EQ(window.Controls().custom.clipboardTimer->Period(), 0);
    EXPECT_EQ(Next().kind, "loader3");
}

TEST_F(WorkerFlow, PauseHoldsTheWorkerAndResumeLetsItGoOn) {
    MoveTo(2);
    Next();
    recorder->loadersEnd = true;
    start->click();
    const Recorder::Run run = Next();
    ASSERT_TRUE(Advances(run));
    pause->click();
    EXPECT_EQ(pause->text(), U("继续"));
    ProcessPending();
    const int held = *run.steps;
    for (int i = 0; i < 20; ++i) {
        ProcessPending();
        QTest::qSleep(2);
    }
    EXPECT_LE(*run.steps, held + 1);  // the step under way at the click may finish, no further one
    pause->click();
    EXPECT_EQ(pause->text(), U("暂停"));
    EXPECT_TRUE(Advances(run));
}

TEST_F(WorkerFlow, StopWhilePausedEndsTheWorkerAndKeepsTheCaption) {
    MoveTo(2);
    Next();
    recorder->loadersEnd = true;
    start->click();
    const Recorder::Run run = Next();
    pause->click();
    stop->click();
    EXPECT_TRUE(Ends(run));
    EXPECT_EQ(pause->text(), U("继续"));
    pause->click();
    EXPECT_EQ(pause->text(), U("暂停"));
    ProcessPending();
    EXPECT_EQ(recorder->Count(), 2u);
}

TEST_F(WorkerFlow, NewPageLoaderRunsAlthoughTheCaptionReadsContinue) {
    MoveTo(2);
    Next();
    recorder->loadersEnd = true;
    start->click();
    const Recorder::Run paused = Next();
    recorder->loadersEnd = false;
    pause->click();
    MoveTo(1);
    EXPECT_TRUE(Ends(paused));
    const Recorder::Run loader = Next();
    EXPECT_EQ(loader.kind, "loader1");
    EXPECT_TRUE(Advances(loader));
    EXPECT_EQ(pause->text(), U("继续"));
    pause->click();  // resumes a worker that is not paused: only the caption changes
    EXPECT_EQ(pause->text(), U("暂停"));
    EXPECT_TRUE(Advances(loader));
}

TEST_F(WorkerFlow, ManualPreviewHidesTheButtonsWithoutTouchingTheWorker) {
    MoveTo(3);
    Next();
    recorder->loadersEnd = true;
    start->click();
    const Recorder::Run run = Next();
    Find<QRadioButton>(&window, "manualPreview")->click();
    for (QPushButton* button : {start, stop, pause}) EXPECT_TRUE(button->isHidden());
    EXPECT_TRUE(Advances(run));
    EXPECT_EQ(pause->text(), U("暂停"));
    Find<QRadioButton>(&window, "autoCollect")->click();
    for (QPushButton* button : {start, stop, pause}) EXPECT_FALSE(button->isHidden());
    stop->click();
    EXPECT_TRUE(Ends(run));
}

// Site E's page has no site in this window.
class WorkerFlowWithoutE : public WorkerFlow {
protected:
    WorkerFlowWithoutE() : WorkerFlow(4) {}
};

TEST_F(WorkerFlowWithoutE, PagesWithoutASiteStartNothing) {
    MoveTo(2);
    const Recorder::Run loader = Next();
    MoveTo(4);
    EXPECT_TRUE(Ends(loader));
    start->click();
    ProcessPending();
    EXPECT_EQ(recorder->Count(), 1u);
}

// A site with one menu entry, one listing page and an album of three images served by a local server;
// it notes every call it gets and whether the window thread made it.
class NotingSite : public SiteDescription {
public:
    NotingSite(std::string imageBase, std::thread::id windowThread)
        : m_imageBase(std::move(imageBase)), m_windowThread(windowThread) {}

    bool HasMenu() const override { return true; }
    AlbumEntries Menu(const SiteFetcher&) const override {
        Note("menu");
        return {{"cat", "cat", ""}};
    }
    PageChoices Choices(const SiteFetcher&, int, const AlbumEntries&) const override {
        Note("category");
        PageChoices choices;
        choices.pageCount = 1;
        return choices;
    }
    AlbumEntries Listing(const SiteFetcher&, const ListingSource&, const Text&) const override {
        Note("listing");
        return {{"album", "album", "3"}};
    }
    std::vector<AlbumWork> Plan(const ListingSnapshot&) const override { return {}; }
    ViewerAlbum OpenAlbum(const SiteFetcher&, const ListingSnapshot&, int) const override {
        Note("album");
        return {true, {m_imageBase + "1.png", m_imageBase + "2.png", m_imageBase + "3.png"}, 3, 0};
    }
    Addressing ViewerAddressing() const override {
        Note("image");
        return Addressing::Direct;
    }
    Text ImageHeaders() const override { return {}; }

    std::vector<std::string> Calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    bool OnWindowThread() const { return m_onWindowThread; }

private:
    void Note(const char* call) const {
        if (std::this_thread::get_id() == m_windowThread) m_onWindowThread = true;
        std::lock_guard lock(m_mutex);
        m_calls.push_back(call);
    }
    const std::string m_imageBase;
    const std::thread::id m_windowThread;
    mutable std::mutex m_mutex;
    mutable std::vector<std::string> m_calls;
    mutable std::atomic<bool> m_onWindowThread{false};
};

TEST(WindowRequests, RunOffTheWindowThreadInTheOrderAsked) {
    LocalServer server;
    const std::string png = [] {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return data.toStdString();
    }();
    server.Http().Get(R"(/(\d)\.png)", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(png, "image/png");
    });
    ASSERT_TRUE(server.Start());
    QTemporaryDir save;
    AnswerScope answers;
    auto site = std::make_shared<NotingSite>(server.Url("/"), std::this_thread::get_id());
    MainWindow window(SiteDescriptions{site});
    MainControls& c = window.Controls();
    c.saveFolder->SetText(FromQt(save.path()));
    auto* tabs = Find<DesignTabs>(&window, "pageTabs");
    // Entering the page reads the menu and chooses its entry.
    tabs->Bar()->setCurrentIndex(1);
    tabs->Bar()->setCurrentIndex(0);
    const auto callsReach = [&](size_t count) { return ProcessUntil([&] { return site->Calls().size() >= count; }); };
    ASSERT_TRUE(callsReach(2));
    auto* categories = Find<QComboBox>(&window, "site0_categories");
    auto* pages = Find<QComboBox>(&window, "site0_pages");
    ASSERT_TRUE(ProcessUntil([&] { return categories->count() == 1 && pages->count() == 1; }));
    emit categories->activated(0);
    // A page choice replaces a menu choice still under way: the menu entry's choices come first.
    ASSERT_TRUE(callsReach(3));
    ProcessPending();
    emit pages->activated(0);
    auto* albums = Find<QListWidget>(&window, "site0_albums");
    ASSERT_TRUE(ProcessUntil([&] { return albums->count() == 1; }));
    // Albums open in "手动预览" only.
    Find<QRadioButton>(&window, "manualPreview")->click();
    albums->setCurrentRow(0);
    emit albums->itemDoubleClicked(albums->item(0));
    ASSERT_TRUE(callsReach(6));
    ASSERT_TRUE(ProcessUntil([&] { return !c.sites[0].preview->GetPicture().empty(); }));
    // Previous at the first image says so; next shows the second; save keeps it. A release over the area
    // is what counts, whatever was pressed.
    const std::pair<const char*, const char*> steps[] = {
        {"site0_previousArea", "已经是第一张了"}, {"site0_nextArea", nullptr}, {"site0_saveArea", "采集成功！"}};
    for (const auto& [area, said] : steps) {
        auto* widget = Find<QWidget>(&window, area);
        const size_t asked = answers.asked.size();
        const size_t calls = site->Calls().size();
        QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(5, 5));
        if (said) {
            ASSERT_TRUE(ProcessUntil([&] { return answers.asked.size() > asked; })) << area;
            EXPECT_EQ(GbkToUtf8(answers.asked.back().text), said);
        } else {
            ASSERT_TRUE(ProcessUntil([&] { return site->Calls().size() > calls; })) << area;
            ASSERT_TRUE(ProcessUntil([&] { return GbkToUtf8(c.sites[0].counter->GetText()) == "2"; }));
        }
    }
    // Each image shown is addressed and fetched once: images 1 and 2.
    EXPECT_EQ(site->Calls(),
              (std::vector<std::string>{"menu", "category", "category", "listing", "album", "image", "image"}));
    EXPECT_FALSE(site->OnWindowThread());
    EXPECT_EQ(server.RequestCount(), 2u);
    // Site C has no site here, and an empty slot does nothing.
    emit Find<QComboBox>(&window, "site2_pages")->activated(0);
    ProcessPending();
    EXPECT_EQ(site->Calls().size(), 7u);
}

// A site whose first album open waits on a slow site until the test lets it go on.
class SlowOpenSite : public SiteDescription {
public:
    PageChoices Choices(const SiteFetcher&, int, const AlbumEntries&) const override { return {}; }
    AlbumEntries Listing(const SiteFetcher&, const ListingSource&, const Text&) const override {
        return {{"album 1", "1", ""}, {"album 2", "2", ""}};
    }
    std::vector<AlbumWork> Plan(const ListingSnapshot&) const override { return {}; }
    ViewerAlbum OpenAlbum(const SiteFetcher&, const ListingSnapshot&, int) const override {
        if (++started == 1) {
            while (!release) CurrentWorker()->Sleep(std::chrono::milliseconds(5));
        }
        ++finished;
        return {};
    }
    Text ImageHeaders() const override { return {}; }
    mutable std::atomic<int> started{0};
    mutable std::atomic<int> finished{0};
    std::atomic<bool> release{false};
};

TEST(WindowRequests, ASecondOpenWaitsForOneUnderWayAndTheWindowKeepsAnswering) {
    auto site = std::make_shared<SlowOpenSite>();
    MainWindow window(SiteDescriptions{site});
    MainControls& c = window.Controls();
    Find<QRadioButton>(&window, "manualPreview")->click();
    emit Find<QComboBox>(&window, "site0_pages")->activated(0);  // an unpaged listing
    auto* albums = Find<QListWidget>(&window, "site0_albums");
    ASSERT_TRUE(ProcessUntil([&] { return albums->count() == 2; }));
    albums->setCurrentRow(0);
    emit albums->itemDoubleClicked(albums->item(0));
    ASSERT_TRUE(ProcessUntil([&] { return site->started == 1; }));
    // The window thread is free: it answers a control access at once.
    c.sites[0].counter->SetText("still here");
    EXPECT_EQ(GbkToUtf8(c.sites[0].counter->GetText()), "still here");
    albums->setCurrentRow(1);
    emit albums->itemDoubleClicked(albums->item(1));
    ProcessPending();
    EXPECT_EQ(site->started, 1);
    site->release = true;
    ASSERT_TRUE(ProcessUntil([&] { return site->finished == 2; }));
    ProcessPending();
    EXPECT_EQ(GbkToUtf8(c.sites[0].title->GetText()), "album 2");
}

}  // namespace
}  // namespace dorvane::test

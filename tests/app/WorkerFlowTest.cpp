// Starting, pausing, resuming and ending the tracked worker from the main window, with test routines
// standing in for the site collectors.
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/CodePage.h"
#include "core/Worker.h"

namespace dorvane::test {
namespace {

// Routines that write their page's controls until stopped, and remember which worker ran what.
class Recorder {
public:
    struct Run {
        std::string kind;  // "loader<site>" or "worker<site>"
        std::weak_ptr<WorkerToken> token;
        std::shared_ptr<std::atomic<int>> steps = std::make_shared<std::atomic<int>>(0);
    };

    // Every site's loader and worker (but those of the site left without) record themselves, then add
    // albums until they are stopped.
    SiteRoutineTable Routines(std::optional<Site> without) {
        SiteRoutineTable table;
        for (int i = 0; i < kSiteCount; ++i) {
            if (without && static_cast<int>(*without) == i) continue;
            table[static_cast<size_t>(i)].pageLoader = Make("loader" + std::to_string(i), i);
            table[static_cast<size_t>(i)].pageWorker = Make("worker" + std::to_string(i), i);
        }
        return table;
    }

    std::vector<Run> Runs() {
        std::lock_guard lock(m_mutex);
        return m_runs;
    }
    Run Last() {
        std::lock_guard lock(m_mutex);
        return m_runs.empty() ? Run{} : m_runs.back();
    }
    size_t Count() {
        std::lock_guard lock(m_mutex);
        return m_runs.size();
    }

private:
    SiteRoutines::Routine Make(std::string kind, int site) {
        return [this, kind, site](MainControls& controls) {
            Run run{kind, CurrentWorker()->weak_from_this()};
            {
                std::lock_guard lock(m_mutex);
                m_runs.push_back(run);
            }
            SitePage& page = controls.sites[static_cast<size_t>(site)];
            if (kind.rfind("worker", 0) == 0) page.albums->Clear();
            for (int n = 1;; ++n) {
                page.albums->AddItem(kind + " album " + std::to_string(n));
                ++*run.steps;
                CurrentWorker()->Sleep(std::chrono::milliseconds(1));
            }
        };
    }
    std::mutex m_mutex;
    std::vector<Run> m_runs;
};

class WorkerFlow : public ::testing::Test {
protected:
    WorkerFlow() = default;
    explicit WorkerFlow(Site without) : window(recorder->Routines(without)) {}
    void SetUp() override {
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

    std::unique_ptr<Recorder> recorder = std::make_unique<Recorder>();
    MainWindow window{recorder->Routines(std::nullopt)};
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
    EXPECT_NE(window.Worker().Handle(), 0u);
}

TEST_F(WorkerFlow, StartEndsTheLoaderAndRunsTheWorkerOfTheCurrentPage) {
    MoveTo(1);
    const Recorder::Run loader = Next();
    start->click();
    const Recorder::Run worker = Next();
    EXPECT_TRUE(Ends(loader));
    EXPECT_EQ(worker.kind, "worker1");
    EXPECT_TRUE(Advances(worker));
}

TEST_F(WorkerFlow, StartTwiceBeginsAgainFromTheFirstAlbum) {
    MoveTo(2);
    Next();
    start->click();
    const Recorder::Run first = Next();
    ASSERT_TRUE(Advances(first));
    start->click();
    EXPECT_TRUE(Ends(first));
    const Recorder::Run second = Next();
    ASSERT_TRUE(Advances(second));
    EXPECT_EQ(window.Controls().sites[2].albums->ItemText(0), "worker2 album 1");
}

TEST_F(WorkerFlow, StartOnTheCustomAndMorePagesChangesNothing) {
    MoveTo(4);
    Next();
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
    start->click();
    const Recorder::Run paused = Next();
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

// Site E has no routines in this window.
class WorkerFlowWithoutE : public WorkerFlow {
protected:
    WorkerFlowWithoutE() : WorkerFlow(Site::E) {}
};

TEST_F(WorkerFlowWithoutE, PagesWithoutRoutinesStartNothing) {
    MoveTo(2);
    const Recorder::Run loader = Next();
    MoveTo(4);
    EXPECT_TRUE(Ends(loader));
    start->click();
    ProcessPending();
    EXPECT_EQ(recorder->Count(), 1u);
}

TEST(WindowRoutines, RunOffTheWindowThreadInTheOrderAsked) {
    std::mutex mutex;
    std::vector<std::string> ran;
    const auto windowThread = std::this_thread::get_id();
    std::atomic<bool> onWindowThread{false};
    auto note = [&](const char* what) {
        return [&, what](MainControls& controls) {
            if (std::this_thread::get_id() == windowThread) onWindowThread = true;
            // A control access from the routine still reaches the window.
            controls.sites[0].counter->SetText(what);
            std::lock_guard lock(mutex);
            ran.push_back(what);
        };
    };
    const auto ranSoFar = [&] {
        std::lock_guard lock(mutex);
        return ran;
    };
    SiteRoutines routines;
    routines.categoryLoad = note("category");
    routines.listingLoad = note("listing");
    routines.albumOpen = note("album");
    routines.previous = note("previous");
    routines.next = note("next");
    routines.save = note("save");
    SiteRoutineTable table;
    table[0] = routines;
    MainWindow window(table);
    MainControls& c = window.Controls();
    c.sites[0].categories->AddItem("cat");
    c.sites[0].pages->AddItem("1");
    c.sites[0].albums->AddItem("album");
    emit Find<QComboBox>(&window, "site0_categories")->activated(0);
    emit Find<QComboBox>(&window, "site0_pages")->activated(0);
    auto* albums = Find<QListWidget>(&window, "site0_albums");
    emit albums->itemDoubleClicked(albums->item(0));
    ASSERT_TRUE(ProcessUntil([&] { return ranSoFar().size() == 3; }));
    // Previous and next replace each other while one is on its way, so they are asked for one at a time.
    for (const char* area : {"site0_previousArea", "site0_nextArea", "site0_saveArea"}) {
        auto* widget = Find<QWidget>(&window, area);
        const size_t before = ranSoFar().size();
        // Press elsewhere, release over the area: a release over it is what counts.
        QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(5, 5));
        ASSERT_TRUE(ProcessUntil([&] { return ranSoFar().size() > before; })) << area;
    }
    EXPECT_EQ(ranSoFar(),
              (std::vector<std::string>{"category", "listing", "album", "previous", "next", "save"}));
    EXPECT_FALSE(onWindowThread);
    EXPECT_EQ(GbkToUtf8(c.sites[0].counter->GetText()), "save");
    // Site C has no categories, and an empty slot does nothing.
    emit Find<QComboBox>(&window, "site2_pages")->activated(0);
    ProcessPending();
    EXPECT_EQ(ranSoFar().size(), 6u);
}

TEST(WindowRoutines, ASecondOpenReplacesOneUnderWayAndTheWindowKeepsAnswering) {
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    SiteRoutines routines;
    routines.albumOpen = [&](MainControls& controls) {
        const int n = ++started;
        controls.sites[0].title->SetText("open " + std::to_string(n));
        // The first open waits on a slow site until it is replaced.
        if (n == 1) {
            for (;;) CurrentWorker()->Sleep(std::chrono::milliseconds(5));
        }
        ++finished;
    };
    SiteRoutineTable table;
    table[0] = routines;
    MainWindow window(table);
    MainControls& c = window.Controls();
    c.sites[0].albums->AddItem("album");
    auto* albums = Find<QListWidget>(&window, "site0_albums");
    emit albums->itemDoubleClicked(albums->item(0));
    ASSERT_TRUE(ProcessUntil([&] { return started == 1; }));
    // The window thread is free: it answers a control access at once.
    c.sites[0].counter->SetText("still here");
    EXPECT_EQ(GbkToUtf8(c.sites[0].counter->GetText()), "still here");
    emit albums->itemDoubleClicked(albums->item(0));
    ASSERT_TRUE(ProcessUntil([&] { return finished == 1; }));
    EXPECT_EQ(started, 2);
    EXPECT_EQ(GbkToUtf8(c.sites[0].title->GetText()), "open 2");
}

}  // namespace
}  // namespace dorvane::test

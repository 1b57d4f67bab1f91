// Cooperative stop and pause of worker threads, and the one tracked worker, over in-memory controls.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "support/MemoryControls.h"
#include "core/WorkAhead.h"
#include "core/Worker.h"

namespace dorvane {
namespace {

using namespace std::chrono_literals;

// A latch the test opens step by step, so a worker's progress is driven, not timed.
class Steps {
public:
    void Allow(int count) {
        {
            std::lock_guard lock(m_mutex);
            m_allowed += count;
        }
        m_changed.notify_all();
    }
    // Waits (through the worker's sleep, so a stop still gets through) until step n is allowed.
    void WaitFor(int n) {
        for (;;) {
            {
                std::lock_guard lock(m_mutex);
                if (m_allowed >= n) return;
            }
            CurrentWorker()->Sleep(1ms);
        }
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_allowed = 0;
};

bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 5000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

TEST(Worker, CheckPointOutsideWorkersDoesNothing) {
    EXPECT_EQ(CurrentWorker(), nullptr);
    EXPECT_NO_THROW(WorkerCheckPoint());
    EXPECT_FALSE(CurrentWorkerStopping());
    MemoryLabel label;
    label.SetText("x");
    EXPECT_EQ(label.GetText(), "x");
}

TEST(Worker, StoppedScopeRefusesControlAccess) {
    auto token = std::make_shared<WorkerToken>(99);
    MemoryLabel label("before");
    {
        WorkerScope scope(token);
        EXPECT_EQ(CurrentWorker(), token.get());
        token->RequestStop();
        EXPECT_TRUE(CurrentWorkerStopping());
        EXPECT_THROW(label.SetText("after"), WorkerStopped);
    }
    EXPECT_EQ(CurrentWorker(), nullptr);
    EXPECT_EQ(label.GetText(), "before");
}

TEST(TrackedWorker, EndingWithoutWorkerDoesNothing) {
    TrackedWorker worker;
    worker.EndCurrent();
    worker.Pause();
    worker.Resume();
    EXPECT_EQ(worker.Handle(), 0u);
    EXPECT_EQ(worker.Current(), nullptr);
}

TEST(TrackedWorker, NewStartEndsThePreviousOneAndKeepsTheHandle) {
    TrackedWorker worker;
    MemoryLabel first, second;
    Steps steps;
    ASSERT_TRUE(worker.Start([&] {
        for (int i = 1;; ++i) {
            steps.WaitFor(i);
            first.SetText(std::to_string(i));
        }
    }));
    auto firstToken = worker.Current();
    const uint64_t firstHandle = worker.Handle();
    EXPECT_NE(firstHandle, 0u);
    steps.Allow(2);
    ASSERT_TRUE(WaitUntil([&] { return first.History().size() == 2; }));

    ASSERT_TRUE(worker.Start([&] { second.SetText("ran"); }));
    EXPECT_TRUE(firstToken->StopRequested());
    EXPECT_NE(worker.Handle(), firstHandle);
    steps.Allow(100);  // the first worker would go on if it had not been stopped
    ASSERT_TRUE(firstToken->WaitFinished(5s));
    EXPECT_EQ(first.History().size(), 2u);
    ASSERT_TRUE(worker.Current()->WaitFinished(5s));
    EXPECT_EQ(second.GetText(), "ran");
    // The handle stays after the worker ended.
    EXPECT_NE(worker.Handle(), 0u);
}

TEST(TrackedWorker, PausedWorkerTakesNoStepUntilResumed) {
    TrackedWorker worker;
    MemoryLabel label;
    Steps steps;
    std::atomic<int> reached{0};
    worker.Start([&] {
        for (int i = 1; i <= 3; ++i) {
            steps.WaitFor(i);
            reached = i;
            label.SetText(std::to_string(i));  // the check point inside pauses here
        }
    });
    steps.Allow(1);
    ASSERT_TRUE(WaitUntil([&] { return label.History().size() == 1; }));
    worker.Pause();
    EXPECT_TRUE(worker.Current()->Paused());
    steps.Allow(2);
    // Absence of progress can only be seen by giving the worker a chance to make some.
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(label.History().size(), 1u);
    worker.Resume();
    ASSERT_TRUE(worker.Current()->WaitFinished(5s));
    EXPECT_EQ(label.History(), (std::vector<Text>{"1", "2", "3"}));
}

TEST(TrackedWorker, StopReleasesAPausedWorker) {
    TrackedWorker worker;
    MemoryLabel label;
    std::atomic<bool> entered{false};
    worker.Start([&] {
        entered = true;
        for (;;) label.SetText("step");
    });
    ASSERT_TRUE(WaitUntil([&] { return entered.load(); }));
    worker.Pause();
    const size_t written = label.History().size();
    worker.EndCurrent();
    ASSERT_TRUE(worker.Current()->WaitFinished(5s));
    EXPECT_LE(label.History().size(), written + 1);  // at most the step that was under way
}

TEST(TrackedWorker, FailuresAreReportedAndNeitherThemNorEmptyRoutinesEndTheProcess) {
    TrackedWorker worker;
    testing::internal::CaptureStderr();
    const bool started = worker.Start([] { throw std::runtime_error("lost"); });
    const bool finished = started && worker.Current()->WaitFinished(5s);
    const std::string reported = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(finished);
    EXPECT_EQ(reported, "dorvane: worker routine failed: lost\n");
    ASSERT_TRUE(worker.Start(std::function<void()>{}));
    EXPECT_TRUE(worker.Current()->WaitFinished(5s));
}

// A job queued ahead before a pause does not start during it: the queue's thread is held at its check point.
TEST(WorkAhead, AJobQueuedBeforeAPauseWaitsForTheResume) {
    WorkerScope scope(std::make_shared<WorkerToken>(1));
    std::atomic<WorkerToken*> thread{nullptr};
    std::atomic<bool> released{false}, secondStarted{false};
    WorkAhead ahead(1);
    const auto first = ahead.Queue([&] {
        thread = CurrentWorker();
        while (!released) std::this_thread::sleep_for(1ms);
    });
    const auto second = ahead.Queue([&] { secondStarted = true; });
    ASSERT_TRUE(WaitUntil([&] { return thread != nullptr; }));
    CurrentWorker()->Pause();
    released = true;
    EXPECT_TRUE(WaitUntil([&] { return thread.load()->Held() || secondStarted; }) && !secondStarted);
    CurrentWorker()->Resume();
    ahead.Take(first);
    ahead.Take(second);
    EXPECT_TRUE(secondStarted);
}

TEST(Worker, SleepWakesOnStop) {
    std::atomic<bool> unwound{false};
    auto token = StartWorkerThread([&] {
        try {
            CurrentWorker()->Sleep(std::chrono::hours(1));
        } catch (const WorkerStopped&) {
            unwound = true;
            throw;
        }
    });
    ASSERT_NE(token, nullptr);
    token->RequestStop();
    ASSERT_TRUE(token->WaitFinished(5s));
    EXPECT_TRUE(unwound);
}

TEST(Worker, StopAllReachesUntrackedThreads) {
    for (int i = 0; i < 4; ++i)
        StartWorkerThread([] {
            for (;;) CurrentWorker()->Sleep(5ms);
        });
    EXPECT_TRUE(StopAllWorkers(10s));
    EXPECT_EQ(RunningWorkerCount(), 0);
}

// The GUI-free twin of the window's stress test: rapid starts, stops, pauses and resumes while workers
// write controls and the "window" thread reads them. No crash, no hang, no data race (TSan runs this),
// and no worker writes more than the one step under way once it was stopped.
TEST(WorkerStress, RapidStartStopPauseResume) {
    MemoryMainWindow window;
    TrackedWorker worker;
    struct Log {
        std::atomic<int> writes{0};
        std::atomic<int> writesAtStop{-1};
    };
    std::map<uint64_t, std::shared_ptr<Log>> logs;
    // Stop first, then count: whatever the worker writes after this count came after its stop.
    auto stopCurrent = [&] {
        if (auto token = worker.Current()) {
            token->RequestStop();
            auto& log = logs[token->Id()];
            if (log->writesAtStop < 0) log->writesAtStop = log->writes.load();
        }
    };
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        switch (random() % 5) {
            case 0:
            case 1: {
                stopCurrent();
                auto log = std::make_shared<Log>();
                MainControls* controls = &window.controls;
                const int site = static_cast<int>(random() % kSiteCount);
                ASSERT_TRUE(worker.Start([controls, log, site] {
                    SitePage& page = controls->sites[static_cast<size_t>(site)];
                    for (int i = 0;; ++i) {
                        page.title->SetText(std::to_string(i));
                        log->writes++;
                        page.albums->AddItem("album");
                        log->writes++;
                        if (i % 16 == 0) page.albums->Clear();
                        CurrentWorker()->Sleep(0ms);
                    }
                }));
                logs[worker.Handle()] = log;
                break;
            }
            case 2:
                stopCurrent();
                worker.EndCurrent();
                break;
            case 3:
                worker.Pause();
                break;
            case 4:
                worker.Resume();
                break;
        }
        // The window thread reads while workers write.
        (void)window.pages[round % kSiteCount].title.GetText();
        (void)window.pages[round % kSiteCount].albums.ItemCount();
    }
    stopCurrent();
    worker.EndCurrent();
    ASSERT_TRUE(StopAllWorkers(20s));
    for (const auto& [id, log] : logs) {
        SCOPED_TRACE(id);
        ASSERT_GE(log->writesAtStop, 0);
        EXPECT_LE(log->writes - log->writesAtStop, 1);
    }
}

}  // namespace
}  // namespace dorvane

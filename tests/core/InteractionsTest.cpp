// The window's routine queue and follow-up threads: order, replacement, stops.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

#include "core/Interactions.h"
#include "core/Worker.h"

namespace dorvane::test {
namespace {

using namespace std::chrono_literals;

// Waits (on a worker) until stopped.
void UntilStopped() {
    for (;;) CurrentWorker()->Sleep(2ms);
}

bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(5ms);
    }
    return condition();
}

TEST(InteractionWorkers, RunsInTheOrderAskedAndReplacesByKey) {
    InteractionQueue queue;
    std::mutex mutex;
    std::vector<int> ran;
    const auto note = [&](int n) {
        return [&, n] {
            std::lock_guard lock(mutex);
            ran.push_back(n);
        };
    };
    std::atomic<bool> blockerStarted{false};
    // A routine under way holds the queue; what is asked for meanwhile waits behind it.
    ASSERT_TRUE(queue.Run(7, [&] {
        blockerStarted = true;
        UntilStopped();
    }));
    ASSERT_TRUE(Eventually([&] { return blockerStarted.load(); }));
    for (int n = 1; n <= 5; ++n) ASSERT_TRUE(queue.Run(InteractionQueue::kNoKey, note(n)));
    ASSERT_TRUE(queue.Run(3, note(100)));  // waits, then is replaced before its turn
    ASSERT_TRUE(queue.Run(3, note(101)));
    std::this_thread::sleep_for(20ms);
    {
        std::lock_guard lock(mutex);
        EXPECT_TRUE(ran.empty());
    }
    ASSERT_TRUE(queue.Run(7, note(6)));  // replaces the one under way
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard lock(mutex);
        return ran.size() == 7;
    }));
    std::lock_guard lock(mutex);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4, 5, 101, 6}));
}

TEST(InteractionWorkers, StopAllAndWaitIdle) {
    auto queue = std::make_shared<InteractionQueue>();
    std::atomic<bool> slowEnded{false};
    ASSERT_TRUE(queue->Run(InteractionQueue::kNoKey, [&] {
        try {
            UntilStopped();
        } catch (const WorkerStopped&) {
            slowEnded = true;
            throw;
        }
    }));
    // A worker that waits for the queue starts only once what was asked before it has ended.
    std::atomic<bool> workerRan{false};
    auto worker = StartWorkerThread([&] {
        queue->WaitIdle();
        workerRan = slowEnded.load();
    });
    ASSERT_NE(worker, nullptr);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(worker->Finished());
    queue->StopAll();
    ASSERT_TRUE(worker->WaitFinished(5s));
    EXPECT_TRUE(workerRan);

    // A stop reaches a worker waiting for the queue too.
    ASSERT_TRUE(queue->Run(InteractionQueue::kNoKey, UntilStopped));
    auto waiting = StartWorkerThread([&] { queue->WaitIdle(); });
    std::this_thread::sleep_for(10ms);
    waiting->RequestStop();
    EXPECT_TRUE(waiting->WaitFinished(5s));
    queue->StopAll();
}

TEST(FollowUpWorkers, StopWithTheWorkerThatStartedThem) {
    std::shared_ptr<WorkerToken> followUp;
    std::shared_ptr<WorkerToken> late;
    std::atomic<bool> started{false};
    std::atomic<bool> stopNow{false};
    auto parent = StartWorkerThread([&] {
        followUp = StartFollowUpThread(UntilStopped);
        started = true;
        while (!stopNow) std::this_thread::sleep_for(1ms);
        // Stopped already: what it hands on now is stopped at once.
        late = StartFollowUpThread(UntilStopped);
    });
    ASSERT_TRUE(Eventually([&] { return started.load(); }));
    ASSERT_NE(followUp, nullptr);
    // The parent's own end does not end the follow-up; its stop does.
    std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(followUp->Finished());
    parent->RequestStop();
    stopNow = true;
    EXPECT_TRUE(followUp->WaitFinished(5s));
    ASSERT_TRUE(parent->WaitFinished(5s));
    ASSERT_NE(late, nullptr);
    EXPECT_TRUE(late->WaitFinished(5s));

    // Outside a worker it is a plain worker thread.
    auto plain = StartFollowUpThread(UntilStopped);
    std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(plain->Finished());
    plain->RequestStop();
    EXPECT_TRUE(plain->WaitFinished(5s));
}

}  // namespace
}  // namespace dorvane::test

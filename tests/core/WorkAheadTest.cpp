// Work queued ahead: taken in its order whatever ends first, failures handed to the one who takes them,
// and the maker's pause and stop reaching every job.
#include "core/WorkAhead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace dorvane {
namespace {

using namespace std::chrono_literals;

bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 5000 && !condition(); ++i) std::this_thread::sleep_for(1ms);
    return condition();
}

// Runs the routine on a worker and waits for it.
void OnWorker(const std::function<void()>& routine) {
    auto token = StartWorkerThread(routine);
    ASSERT_NE(token, nullptr);
    ASSERT_TRUE(token->WaitFinished(60s));
}

TEST(WorkAhead, TakenInOrderWhateverEndsFirstAndFailuresGoToTheirTaker) {
    std::vector<int> taken;
    std::atomic<bool> secondEnded{false};
    bool failureSeen = false;
    OnWorker([&] {
        WorkAhead ahead(3);
        std::vector<int> results(3, 0);
        // The first job ends only after the second one did.
        const auto first = ahead.Queue([&] {
            while (!secondEnded) CurrentWorker()->Sleep(1ms);
            results[0] = 1;
        });
        const auto second = ahead.Queue([&] {
            results[1] = 2;
            secondEnded = true;
        });
        const auto third = ahead.Queue([] { throw std::runtime_error("broken"); });
        EXPECT_EQ(ahead.Outstanding(), 3);
        ahead.Take(first);
        taken.push_back(results[0]);
        ahead.Take(second);
        taken.push_back(results[1]);
        try {
            ahead.Take(third);
        } catch (const std::runtime_error&) {
            failureSeen = true;
        }
        EXPECT_EQ(ahead.Outstanding(), 0);
    });
    EXPECT_EQ(taken, (std::vector<int>{1, 2}));
    EXPECT_TRUE(failureSeen);
}

// A paused maker holds its jobs at their next check point; its stop ends the one waiting in Take.
TEST(WorkAhead, PauseAndStopOfTheMakerReachTheJobs) {
    std::atomic<int> steps{0};
    std::atomic<bool> stopped{false};
    auto maker = StartWorkerThread([&] {
        WorkAhead ahead(1);
        const auto ticket = ahead.Queue([&] {
            for (;;) {
                WorkerCheckPoint();
                ++steps;
                std::this_thread::sleep_for(1ms);
            }
        });
        try {
            ahead.Take(ticket);
        } catch (const WorkerStopped&) {
            stopped = true;
            throw;
        }
    });
    ASSERT_NE(maker, nullptr);
    ASSERT_TRUE(Eventually([&] { return steps > 0; }));
    maker->Pause();
    // A step already past its check point may still count.
    std::this_thread::sleep_for(20ms);
    const int held = steps;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(steps, held);
    maker->Resume();
    ASSERT_TRUE(Eventually([&] { return steps > held; }));
    maker->RequestStop();
    ASSERT_TRUE(maker->WaitFinished(10s));
    EXPECT_TRUE(stopped);
}

}  // namespace
}  // namespace dorvane

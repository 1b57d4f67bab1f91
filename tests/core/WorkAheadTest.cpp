// Work queued ahead follows its maker's pause.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "core/WorkAhead.h"

namespace dorvane {
namespace {

// A job queued before the pause does not start during it: the queue's thread, done with the job before,
// is held at the next one's check point until the resume.
TEST(WorkAhead, AJobQueuedBeforeAPauseWaitsForTheResume) {
    auto maker = std::make_shared<WorkerToken>(1);
    WorkerScope scope(maker);
    std::promise<std::shared_ptr<WorkerToken>> running;
    std::promise<void> release;
    std::atomic<bool> secondStarted{false};
    WorkAhead ahead(1);
    const WorkAhead::Ticket first = ahead.Queue([&, released = release.get_future().share()] {
        running.set_value(CurrentWorker()->shared_from_this());
        released.wait();
    });
    const WorkAhead::Ticket second = ahead.Queue([&] { secondStarted = true; });
    const std::shared_ptr<WorkerToken> thread = running.get_future().get();
    maker->Pause();
    release.set_value();
    for (int i = 0; i < 60000 && !thread->Held() && !secondStarted; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(thread->Held());
    EXPECT_FALSE(secondStarted);
    maker->Resume();
    ahead.Take(first);
    ahead.Take(second);
    EXPECT_TRUE(secondStarted);
}

}  // namespace
}  // namespace dorvane

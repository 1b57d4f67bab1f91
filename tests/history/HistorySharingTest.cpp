#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "history/HistoryFiles.h"
#include "history/HistoryStore.h"

namespace dorvane {
namespace {

using test::ImageOf;
using test::TempHistory;

// Two stores on one file stand for the window and the command line; two threads on each stand for the
// workers of one program. Every write waits its turn and succeeds.
TEST(HistorySharing, TwoStoresRecordAtOnce) {
    constexpr int kPerThread = 150;
    TempHistory history;
    auto first = history.Open();
    auto second = history.Open();
    ASSERT_TRUE(first && second);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        HistoryStore* store = t % 2 == 0 ? first.get() : second.get();
        threads.emplace_back([store, t, &failures] {
            long long runId = 0;
            if (!store->BeginRun({"c", "list", 0}, runId).Ok()) ++failures;
            const Text album = "album" + std::to_string(t);
            for (int number = 1; number <= kPerThread; ++number) {
                if (!store->RecordImage(runId, ImageOf(album, number)).Ok()) ++failures;
                if (!store->IsImageKnown(ImageOf(album, number).address)) ++failures;
            }
            if (!store->EndRun(runId, {RunOutcome::Done, kPerThread, 0, 0, 0}).Ok()) ++failures;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    int rows = 0;
    ASSERT_TRUE(first->ForEachImage({}, [&](const ImageRow&) { ++rows; }).Ok());
    EXPECT_EQ(rows, 4 * kPerThread);
}

}  // namespace
}  // namespace dorvane

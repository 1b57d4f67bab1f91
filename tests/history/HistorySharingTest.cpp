#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "history/HistoryFiles.h"
#include "core/Files.h"
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

// Queued rows are written by the store's writer thread: every file that stands whole is recorded with
// the size and digest of its bytes, in the order queued, one that is gone is not, and what is still
// queued when the store closes is written before it does.
TEST(HistoryQueue, WritesWhatStandsWholeInOrderEvenWhenClosed) {
    TempHistory history;
    const std::string kept = history.folder + "/kept.jpg";
    ASSERT_TRUE(WriteFile(kept, Bytes("abc")));
    constexpr int kImages = 40;
    {
        auto store = history.Open();
        ASSERT_TRUE(store);
        long long runId = 0;
        ASSERT_TRUE(store->BeginRun({"c", "list", 0}, runId).Ok());
        ASSERT_TRUE(store->QueueAlbum(runId, {"c", "album", "title", kImages, 0}).Ok());
        for (int number = 1; number <= kImages; ++number) {
            ImageRecord image = ImageOf("album", number);
            image.sha256.clear();
            const bool gone = number % 10 == 0;
            EXPECT_TRUE(store->QueueImage(runId, image, gone ? history.folder + "/gone.jpg" : kept).Ok());
        }
        // Closed with rows still queued.
    }
    auto reopened = history.Open();
    ASSERT_TRUE(reopened);
    std::vector<int> numbers;
    ASSERT_TRUE(reopened->ForEachImage({}, [&](const ImageRow& row) {
        numbers.push_back(row.image.number);
        EXPECT_EQ(row.image.size, 3);
        // sha256sum of "abc".
        EXPECT_EQ(row.image.sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    }).Ok());
    std::vector<int> expected;
    for (int number = 1; number <= kImages; ++number)
        if (number % 10 != 0) expected.push_back(number);
    EXPECT_EQ(numbers, expected);
}

}  // namespace
}  // namespace dorvane

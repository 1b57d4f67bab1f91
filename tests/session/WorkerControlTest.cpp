// Stopping and pausing a collection while an image transfer is held open by the server.
#include <gtest/gtest.h>

#include "support/CollectorHarness.h"
#include "support/HeldRequest.h"

namespace dorvane::test {
namespace {

TEST(CollectorWorkerControl, StopMidImageWritesNothingMore) {
    CollectorHarness h({.pageCount = 1, .albumsPerPage = 2, .imagesPerAlbum = 4});
    // One transfer at a time, so the images before the held one are stored when the stop comes.
    h.settings.parallel = 1;
    auto session = h.Session(Site::D);
    ASSERT_TRUE(Done(session->Enter()));
    HeldRequest gate = HoldImage(h.sites, "/img/d/1/3.jpg");
    auto token = h.StartOnWorker([&](MainControls&) { session->Collect(); });
    ASSERT_NE(token, nullptr);
    ASSERT_TRUE(gate.WaitReached());
    token->RequestStop();
    gate.Release();
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(60)));

    // Images 1 and 2 are complete; nothing after them exists, not even under a temporary name.
    const fs::path folder = h.AlbumFolder(Site::D, 1);
    EXPECT_EQ(FilesBelow(h.base), (std::vector<std::string>{
                                      fs::relative(folder / "1.jpg", h.base).string(),
                                      fs::relative(folder / "2.jpg", h.base).string(),
                                  }));
    EXPECT_EQ(ReadBytes(folder / "2.jpg"), h.sites.ImageBytes(Site::D, 1, 2));
    EXPECT_FALSE(fs::exists(h.AlbumFolder(Site::D, 2)));
    EXPECT_TRUE(h.Messages().empty());
    // The stopped worker asked for nothing beyond the held image.
    EXPECT_TRUE(h.sites.RequestsTo("/img/d/1/4.jpg").empty());
}

TEST(CollectorWorkerControl, PauseHoldsTheRunAndResumeCompletesIt) {
    CollectorHarness h({.pageCount = 1, .albumsPerPage = 2, .imagesPerAlbum = 3});
    auto session = h.Session(Site::C);
    ASSERT_TRUE(Done(session->Enter()));
    HeldRequest gate = HoldImage(h.sites, "/img/c/1/2.jpg");
    auto token = h.StartOnWorker([&](MainControls&) { session->Collect(); });
    ASSERT_NE(token, nullptr);
    ASSERT_TRUE(gate.WaitReached());
    token->Pause();
    gate.Release();
    // While paused the worker does not get past its next step, however long it is left.
    EXPECT_FALSE(token->WaitFinished(std::chrono::milliseconds(300)));
    EXPECT_FALSE(fs::exists(h.AlbumFolder(Site::C, 1) / "2.jpg"));
    token->Resume();
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(60)));
    for (int id : {1, 2}) {
        for (int j = 1; j <= 3; ++j) {
            EXPECT_EQ(ReadBytes(h.AlbumFolder(Site::C, id) / (std::to_string(j) + ".jpg")),
                      h.sites.ImageBytes(Site::C, id, j));
        }
    }
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});
}

TEST(CollectorWorkerControl, StopWhileEnteringKeepsListAndLinesInStep) {
    CollectorHarness h({.pageCount = 3, .albumsPerPage = 2000});
    auto session = h.Session(Site::C);
    auto token = session->Enter();
    ASSERT_NE(token, nullptr);
    session->StopAll();
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(60)));
    EXPECT_EQ(static_cast<int>(session->Listing().albums.size()), h.Page(Site::C).albums.ItemCount());
}

}  // namespace
}  // namespace dorvane::test

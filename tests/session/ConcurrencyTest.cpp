// The viewer steps while a collection on another worker refills the viewer's list album by album, and the
// page lists other pages while a collection runs. Runs under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <set>

#include "support/CollectorHarness.h"

namespace dorvane::test {
namespace {

TEST(CollectorsConcurrency, ViewerStepsWhileACollectionRefillsTheViewerList) {
    CollectorHarness h({.pageCount = 1, .albumsPerPage = 4, .imagesPerAlbum = 5});
    auto session = h.Session(Site::D);
    auto& page = h.Page(Site::D);
    ASSERT_TRUE(Done(session->Enter()));
    h.window.autoCollect.SetSelected(false);
    ASSERT_TRUE(Done(session->OpenAlbum(0, false)));
    ASSERT_EQ(page.counter.GetText(), "1");

    auto token = h.StartOnWorker([&](MainControls&) { session->Collect(); });
    ASSERT_NE(token, nullptr);
    int steps = 0;
    while (!token->Finished() && steps < 2000) {
        // Forward to the end, then back to the start, on the same page the collection writes.
        ASSERT_TRUE(Done(steps % 10 < 5 ? session->Next() : session->Previous()));
        if (steps % 7 == 0) {
            ASSERT_TRUE(Done(session->Save()));
        }
        const std::string counter = page.counter.GetText();
        EXPECT_TRUE(counter >= "1" && counter <= "5" && counter.size() == 1) << counter;
        ++steps;
    }
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(120)));

    // The collection is complete and byte-exact whatever the viewer did to the shared picture box.
    const std::vector<int> ids = h.sites.Listing(Site::D, 1);
    for (int id : ids) {
        for (int j = 1; j <= 5; ++j) {
            EXPECT_EQ(ReadBytes(h.AlbumFolder(Site::D, id) / (std::to_string(j) + ".jpg")),
                      h.sites.ImageBytes(Site::D, id, j));
        }
    }
    // The viewer now steps through the last album the collection fetched. A step at either end moves
    // nothing and leaves the picture the collection showed last.
    std::string before = page.counter.GetText();
    for (int step = 0; step < 10; ++step) {
        ASSERT_TRUE(Done(step < 5 ? session->Previous() : session->Next()));
        const std::string counter = page.counter.GetText();
        if (counter == before) continue;
        before = counter;
        EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::D, ids.back(), std::stoi(counter))) << step;
    }
}

TEST(CollectorsConcurrency, PagesChosenDuringACollection) {
    CollectorHarness h({.pageCount = 3, .albumsPerPage = 3, .imagesPerAlbum = 3});
    auto session = h.Session(Site::C);
    ASSERT_TRUE(Done(session->Enter()));
    auto token = h.StartOnWorker([&](MainControls&) { session->Collect(); });
    ASSERT_NE(token, nullptr);
    for (int page = 0; page < 3 && !token->Finished(); ++page) ASSERT_TRUE(Done(session->ChoosePage(page)));
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(120)));
    // Whatever the page listed meanwhile, every file written is one of the served images, complete.
    std::set<std::string> served;
    for (int id = 1; id <= 9; ++id) {
        for (int j = 1; j <= 3; ++j) served.insert(h.sites.ImageBytes(Site::C, id, j));
    }
    for (const auto& file : FilesBelow(h.OutputRoot())) {
        EXPECT_TRUE(served.count(ReadBytes(h.OutputRoot() / file))) << file;
    }
    EXPECT_EQ(static_cast<int>(session->Listing().albums.size()), h.Page(Site::C).albums.ItemCount());
}

}  // namespace
}  // namespace dorvane::test

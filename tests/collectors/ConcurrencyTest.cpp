// The viewer steps on the window thread while a collection on a worker thread refills the viewer's
// list album by album. Runs under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "CollectorHarness.h"
#include "collectors/Listing.h"
#include "collectors/SiteC.h"
#include "collectors/SiteD.h"

namespace dorvane::test {
namespace {

TEST(CollectorsConcurrency, ViewerStepsWhileAWorkerRefillsTheViewerList) {
    CollectorHarness h({.pageCount = 1, .albumsPerPage = 4, .imagesPerAlbum = 5});
    h.RunOnWorker(sited::Routines().pageLoader);
    h.window.autoCollect.SetSelected(false);
    h.Page(Site::D).albums.SetSelection(0);
    sited::Routines().albumOpen(h.Controls());
    ASSERT_EQ(State().viewerImageCount.load(), 5);

    auto token = h.StartOnWorker(sited::Routines().pageWorker);
    ASSERT_NE(token, nullptr);
    int steps = 0;
    while (!token->Finished() && steps < 2000) {
        // Forward to the end, then back to the start, on the same page the worker writes.
        if (steps % 10 < 5)
            sited::Routines().next(h.Controls());
        else
            sited::Routines().previous(h.Controls());
        if (steps % 7 == 0) sited::Routines().save(h.Controls());
        const int position = State().viewerPosition.load();
        EXPECT_GE(position, 1);
        EXPECT_LE(position, 5);
        ++steps;
    }
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(120)));

    // The collection is complete and byte-exact whatever the viewer did to the shared picture box.
    for (int id : h.sites.Listing(Site::D, 1)) {
        for (int j = 1; j <= 5; ++j) {
            EXPECT_EQ(ReadBytes(h.AlbumFolder(Site::D, id) / (std::to_string(j) + ".jpg")),
                      h.sites.ImageBytes(Site::D, id, j));
        }
    }
    EXPECT_EQ(State().viewerImages.Count(), 5);
}

TEST(CollectorsConcurrency, ListingLoadOnTheWindowThreadDuringACollection) {
    CollectorHarness h({.pageCount = 3, .albumsPerPage = 3, .imagesPerAlbum = 3});
    h.RunOnWorker(sitec::Routines().pageLoader);
    auto token = h.StartOnWorker(sitec::Routines().pageWorker);
    ASSERT_NE(token, nullptr);
    for (int page = 0; page < 3 && !token->Finished(); ++page) {
        h.Page(Site::C).pages.SetSelection(page);
        sitec::Routines().listingLoad(h.Controls());
    }
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(120)));
    // Whatever the worker saw, every file it wrote is one of the served images, complete.
    std::set<std::string> served;
    for (int id = 1; id <= 9; ++id) {
        for (int j = 1; j <= 3; ++j) served.insert(h.sites.ImageBytes(Site::C, id, j));
    }
    for (const auto& file : FilesBelow(h.OutputRoot())) {
        EXPECT_TRUE(served.count(ReadBytes(h.OutputRoot() / file))) << file;
    }
    EXPECT_EQ(State().albumUrls.Count(), h.Page(Site::C).albums.ItemCount());
}

// A list box that lingers after each line, so that a clear from another thread lands between a line and
// its address unless the two are appended as one step.
class LingeringListBox : public MemoryListBox {
public:
    int AddItem(const Text& text) override {
        const int index = MemoryListBox::AddItem(text);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        return index;
    }
};

TEST(CollectorsConcurrency, ClearingNeverSplitsALineFromItsAddress) {
    State().Reset();
    LingeringListBox albums;
    SitePage page;
    page.albums = &albums;
    const auto entries = [](const char* prefix, int count) {
        AlbumEntries list;
        for (int i = 0; i < count; ++i)
            list.push_back({Text("t") + prefix + std::to_string(i), Text("u") + prefix + std::to_string(i), {}});
        return list;
    };
    std::thread loader([&] { AppendAlbums(page, entries("a", 300)); });
    for (int round = 0; round < 20; ++round) {
        ClearListing(page);
        AppendAlbums(page, entries("b", 3));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    loader.join();
    ASSERT_EQ(State().albumUrls.Count(), albums.ItemCount());
    for (int i = 0; i < albums.ItemCount(); ++i) {
        EXPECT_EQ(albums.ItemText(i).substr(1), State().albumUrls.At(i + 1).substr(1)) << i;
    }
}

}  // namespace
}  // namespace dorvane::test

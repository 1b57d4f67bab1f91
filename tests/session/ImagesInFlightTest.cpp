// Several images in flight: what the server is asked for and when, while what the page shows and stores
// stays one image after another in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>

#include "support/CollectorHarness.h"
#include "collectors/CollectionEngine.h"

namespace dorvane::test {
namespace {

std::string PathOf(const std::string& url) {
    const size_t host = url.find("://");
    return url.substr(url.find('/', host == std::string::npos ? 0 : host + 3));
}

// Image answers held by the server until released; counts how many are held at once.
struct HeldImages {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<std::string> held;
    std::vector<std::string> answered;  // in the order the answers went out
    bool released = false;

    void Hold(const std::string& path, const std::function<bool(const HeldImages&)>& until) {
        std::unique_lock lock(mutex);
        held.insert(path);
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(30), [&] { return released || until(*this); });
        held.erase(path);
        answered.push_back(path);
        changed.notify_all();
    }
    bool WaitHeld(size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), [&] { return held.size() >= count; });
    }
    void Release() {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
};

class ImagesInFlight : public ::testing::Test {
protected:
    void SetUp() override { h.sites.ClearRequests(); }
    void TearDown() override {
        held->Release();
        h.sites.SetImageHook(nullptr);
    }

    std::shared_ptr<SitePageSession> Entered(Site site, int parallel) {
        h.settings.parallel = parallel;
        auto session = h.Session(site);
        EXPECT_TRUE(Done(session->Enter()));
        h.sites.ClearRequests();
        return session;
    }
    std::string Image(int album, int j) const { return PathOf(h.sites.ImageUrl(Site::C, album, j)); }
    std::vector<std::string> ImageRequests() const {
        std::vector<std::string> paths;
        for (const auto& request : h.sites.Requests()) {
            if (request.target.ends_with(".jpg")) paths.push_back(request.target);
        }
        return paths;
    }

    CollectorHarness h{FixtureOptions{.pageCount = 1, .albumsPerPage = 2, .imagesPerAlbum = 4}};
    std::shared_ptr<HeldImages> held = std::make_shared<HeldImages>();
};

// One transfer at a time asks for each album page and then its images, album after album; several at
// once ask for exactly the same, once each.
TEST_F(ImagesInFlight, RequestsAreThoseOfOneAfterAnother) {
    for (int parallel : {1, 4}) {
        SCOPED_TRACE(parallel);
        auto session = Entered(Site::C, parallel);
        const std::vector<int> ids = h.sites.Listing(Site::C, 1);
        std::vector<std::string> expected;
        for (int id : ids) {
            expected.push_back(PathOf(h.sites.AlbumUrl(Site::C, id)));
            for (int j = 1; j <= 4; ++j) expected.push_back(Image(id, j));
        }
        const CollectionReport report = h.Collect(*session);
        EXPECT_EQ(report.stored, 8);
        std::vector<std::string> asked;
        for (const auto& request : h.sites.Requests()) asked.push_back(request.target);
        if (parallel == 1) {
            EXPECT_EQ(asked, expected);
        } else {
            std::sort(asked.begin(), asked.end());
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(asked, expected);
        }
    }
}

// Image 1 is answered after three others in flight; the page still numbers, shows and stores 1, 2, 3, 4.
TEST_F(ImagesInFlight, ShownAndStoredInOrderWhateverArrivesFirst) {
    auto session = Entered(Site::C, 4);
    const int id = h.sites.Listing(Site::C, 1).front();
    const std::string first = Image(id, 1);
    // Image 1's answer waits until three others were answered (or half a minute, when nothing else was
    // in flight).
    h.sites.SetImageHook([held = held, first](const std::string& path) {
        if (path == first) {
            held->Hold(path, [](const HeldImages& images) { return images.answered.size() >= 3; });
            return;
        }
        std::lock_guard lock(held->mutex);
        held->answered.push_back(path);
        held->changed.notify_all();
    });
    h.Collect(*session);

    {
        std::lock_guard lock(held->mutex);
        const auto at = std::find(held->answered.begin(), held->answered.end(), first);
        ASSERT_NE(at, held->answered.end());
        EXPECT_GE(at - held->answered.begin(), 3);
    }
    for (int j = 1; j <= 4; ++j) {
        EXPECT_EQ(ReadBytes(h.AlbumFolder(Site::C, id) / (std::to_string(j) + ".jpg")),
                  h.sites.ImageBytes(Site::C, id, j));
    }
}

// A stop with four transfers held open by the server ends the collection without their answers and
// leaves no file, not even a temporary one.
TEST_F(ImagesInFlight, StopWithTransfersInFlightLeavesNoFile) {
    auto session = Entered(Site::C, 4);
    h.sites.SetImageHook([held = held](const std::string& path) {
        held->Hold(path, [](const HeldImages&) { return false; });
    });
    auto worker = h.StartOnWorker([&](MainControls&) { session->Collect(); });
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(held->WaitHeld(4));
    worker->RequestStop();
    ASSERT_TRUE(worker->WaitFinished(std::chrono::seconds(20)));
    held->Release();
    EXPECT_TRUE(FilesBelow(h.base).empty());
    EXPECT_EQ(ImageRequests().size(), 4u);
    EXPECT_TRUE(h.Messages().empty());
}

// A paused collection starts no transfer and stores nothing until it is resumed; then it ends as usual.
TEST_F(ImagesInFlight, PauseStartsNoNewTransfer) {
    auto session = Entered(Site::C, 2);
    const int id = h.sites.Listing(Site::C, 1).front();
    // Images 1 and 2 are held open, so those queued behind them wait for a thread when the pause comes.
    const std::string first = Image(id, 1), second = Image(id, 2);
    h.sites.SetImageHook([held = held, first, second](const std::string& path) {
        if (path == first || path == second) held->Hold(path, [](const HeldImages&) { return false; });
    });
    auto worker = h.StartOnWorker([&](MainControls&) { session->Collect(); });
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(held->WaitHeld(2));
    worker->Pause();
    held->Release();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ImageRequests().size(), 2u);
    EXPECT_TRUE(FilesBelow(h.saveFolder).empty());
    worker->Resume();
    ASSERT_TRUE(Done(worker));
    EXPECT_EQ(ImageRequests().size(), 8u);
    EXPECT_EQ(FilesBelow(h.saveFolder).size(), 8u);
}

}  // namespace
}  // namespace dorvane::test

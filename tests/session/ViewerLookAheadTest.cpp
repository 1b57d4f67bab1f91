// The viewer's next image fetched ahead: used by "下一张" without a second request, waited for while on its
// way, fetched again when it failed, and ended by whatever leaves the album.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/CollectorHarness.h"

namespace dorvane::test {
namespace {

std::string ImagePath(int album, int image) {
    return "/img/d/" + std::to_string(album) + "/" + std::to_string(image) + ".jpg";
}

// Only the transfer's own lines: the server adds the peer's address and port to what it logs.
std::vector<std::pair<std::string, std::string>> SentHeaders(const LoggedRequest& request) {
    std::vector<std::pair<std::string, std::string>> sent;
    for (const auto& header : request.headers) {
        const bool peer = header.first.starts_with("REMOTE_") || header.first.starts_with("LOCAL_");
        if (!peer) sent.push_back(header);
    }
    return sent;
}

// Holds the first request for one image on the server until released. Shared with the server's thread,
// which may still be in the hook when a test's body has ended.
struct Gate {
    std::string path;
    std::atomic<int> entered{0};
    std::atomic<bool> released{false};
};

class ViewerFetchAhead : public ::testing::Test {
protected:
    void SetUp() override {
        // The next image is fetched ahead only when more than one transfer is allowed.
        h.settings.parallel = 2;
        session = h.Session(Site::D);
        ASSERT_TRUE(Done(session->Enter()));
        h.SetManual();
    }
    // Album 1's image `image` stays on its way until the test ends or releases it.
    void Hold(int image) {
        gate->path = ImagePath(1, image);
        h.sites.SetImageHook([gate = gate](const std::string& path) {
            if (path != gate->path || gate->entered++ > 0) return;
            while (!gate->released) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        });
    }
    // A fresh page with album 1 open and its image 2, fetched ahead, held by the server.
    void OpenWithImageTwoHeld() {
        session = h.Session(Site::D);
        ASSERT_TRUE(Done(session->Enter()));
        h.sites.ClearRequests();
        gate = std::make_shared<Gate>();
        Hold(2);
        ASSERT_TRUE(Done(session->OpenAlbum(0, false)));
        ASSERT_TRUE(Eventually([&] { return gate->entered > 0; }));
    }
    std::string Shown() { return h.Page(Site::D).preview.GetPicture(); }
    size_t Asked(int album, int image) { return h.sites.RequestsTo(ImagePath(album, image)).size(); }

    // Before the harness stops the server, which waits for the hook.
    ~ViewerFetchAhead() override { gate->released = true; }

    CollectorHarness h;
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::unique_ptr<SitePageSession> session;
};

TEST_F(ViewerFetchAhead, NextImageIsFetchedBeforeTheStepAndShownWithoutASecondRequest) {
    ASSERT_TRUE(Done(session->OpenAlbum(0, false)));
    ASSERT_TRUE(h.AwaitRequest(ImagePath(1, 2)));
    ASSERT_TRUE(Done(session->Next()));
    EXPECT_EQ(h.Page(Site::D).counter.GetText(), "2");
    EXPECT_EQ(Shown(), h.sites.ImageBytes(Site::D, 1, 2));
    for (int j = 3; j <= 4; ++j) ASSERT_TRUE(Done(session->Next()));
    EXPECT_EQ(Shown(), h.sites.ImageBytes(Site::D, 1, 4));
    // Nothing lies beyond the last image; every image was asked for once.
    ASSERT_TRUE(Eventually([] { return RunningWorkerCount() == 0; }));
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(Asked(1, j), 1u) << j;
    EXPECT_EQ(Asked(1, 5), 0u);
}

// A step waits for the image still on its way rather than asking again: it shows the image once it
// arrives, and a newer step ends the wait while the server still holds it.
TEST_F(ViewerFetchAhead, StepWaitsForTheImageStillOnItsWay) {
    for (const bool arrives : {true, false}) {
        SCOPED_TRACE(arrives);
        OpenWithImageTwoHeld();
        auto waiting = session->Next();
        ASSERT_TRUE(Eventually([&] { return h.Page(Site::D).counter.GetText() == "2"; }));
        if (arrives) {
            gate->released = true;
        } else {
            ASSERT_TRUE(Done(session->Previous()));
        }
        ASSERT_TRUE(Done(waiting));
        EXPECT_EQ(gate->released.load(), arrives);
        EXPECT_EQ(Shown(), h.sites.ImageBytes(Site::D, 1, arrives ? 2 : 1));
        if (arrives) {
            EXPECT_EQ(Asked(1, 2), 1u);
        }
        gate->released = true;
    }
}

TEST_F(ViewerFetchAhead, FailedFetchAheadIsFetchedAgainOnTheStep) {
    h.sites.SetAlbum(Site::D, {1, "a link dead for a moment", {ImageKind::Jpeg, ImageKind::NotFound}});
    ASSERT_TRUE(Done(session->OpenAlbum(0, false)));
    ASSERT_TRUE(h.AwaitRequest(ImagePath(1, 2)));
    h.sites.SetAlbum(Site::D, {1, "a link dead for a moment", {ImageKind::Jpeg, ImageKind::Jpeg}});
    ASSERT_TRUE(Done(session->Next()));
    EXPECT_FALSE(Shown().empty());
    EXPECT_EQ(Shown(), h.sites.ImageBytes(Site::D, 1, 2));
    // Fetched ahead or for the step, the image is asked for alike.
    const auto asked = h.sites.RequestsTo(ImagePath(1, 2));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(SentHeaders(asked[0]), SentHeaders(asked[1]));
}

// Whatever leaves the album ends a stalled fetch ahead at once (every worker is gone while the server
// still holds the transfer), and nothing it fetched is shown afterwards.
TEST_F(ViewerFetchAhead, LeavingTheAlbumEndsAStalledFetchAhead) {
    enum class Leave { OtherAlbum, OtherPage, StopAll, CloseSession };
    for (Leave leave : {Leave::OtherAlbum, Leave::OtherPage, Leave::StopAll, Leave::CloseSession}) {
        SCOPED_TRACE(static_cast<int>(leave));
        OpenWithImageTwoHeld();
        switch (leave) {
            case Leave::OtherAlbum:
                ASSERT_TRUE(Done(session->OpenAlbum(1, false)));
                break;
            case Leave::OtherPage:
                ASSERT_TRUE(Done(session->ChoosePage(1)));
                break;
            case Leave::StopAll:
                session->StopAll();
                break;
            case Leave::CloseSession:
                session.reset();
                break;
        }
        ASSERT_TRUE(Eventually([] { return RunningWorkerCount() == 0; }));
        EXPECT_FALSE(gate->released.load());
        if (session) {
            ASSERT_TRUE(Done(session->Next()));
            const int album = leave == Leave::OtherAlbum ? 2 : 1;
            EXPECT_EQ(Shown(), h.sites.ImageBytes(Site::D, album, 2));
            // On the same album the held image was dropped with its stop and is asked for anew.
            EXPECT_EQ(Asked(1, 2), leave == Leave::OtherAlbum ? 1u : 2u);
        }
        gate->released = true;
    }
}

}  // namespace
}  // namespace dorvane::test

// The single-image viewer's edges: no album yet, positions without an address, cover addressing, saves
// that have nothing to save or nowhere to go.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/CollectorHarness.h"
#include "text/Hash.h"

namespace dorvane::test {
namespace {

// Holds the first request for one image on the server until released; shared with the server's thread.
struct HeldImage {
    std::string path;
    std::atomic<int> entered{0};
    std::atomic<bool> released{false};
};

// Clicks made while a step's image is still on its way (album 1 of four images, the step from image 1 to
// image 2 held by the server), then a new listing and the page left, then the image let go: every click
// takes effect in order, as if each had ended before the next began.
TEST(CollectorViewer, EveryClickTakesEffectInTheOrderClicked) {
    const char* first = "已经是第一张了";
    const char* last = "已经是最后一张了";
    const char* saved = "采集成功！";
    const struct {
        std::string clicks;  // < previous, > next, s save
        std::vector<int> fetched;  // images asked for after the open, in order
        std::vector<const char*> messages;
        std::vector<int> kept;
        int shown;
    } cases[] = {
        {"s<s", {2, 1}, {saved, saved}, {1, 2}, 1},
        {"<s>s", {2, 1, 2}, {saved, saved}, {1, 2}, 2},
        // Steps clicked behind a step on its way: the images they pass over are not fetched.
        {">>s", {2, 4}, {saved}, {4}, 4},
        {">>>s", {2, 4}, {last, saved}, {4}, 4},
        {"<<s", {2, 1}, {first, saved}, {1}, 1},
        {">s<<<", {2, 3, 1}, {saved, first}, {3}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clicks);
        CollectorHarness h;
        auto session = h.Session(Site::D);
        auto& page = h.Page(Site::D);
        ASSERT_TRUE(Done(session->Enter()));
        h.SetManual();
        ASSERT_TRUE(Done(session->OpenAlbum(0, false)));
        h.sites.ClearRequests();
        auto held = std::make_shared<HeldImage>();
        held->path = "/img/d/1/2.jpg";
        h.sites.SetImageHook([held](const std::string& path) {
            if (path != held->path || held->entered++ > 0) return;
            while (!held->released) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        });
        std::vector<std::shared_ptr<WorkerToken>> clicks{session->Next()};
        ASSERT_TRUE(Eventually([&] { return held->entered > 0; }));
        for (char click : c.clicks) {
            clicks.push_back(click == 's' ? session->Save() : click == '<' ? session->Previous() : session->Next());
        }
        session->StopListing();
        clicks.push_back(session->ChoosePage(0));
        held->released = true;
        for (const auto& token : clicks) ASSERT_TRUE(Done(token));

        std::vector<int> fetched;
        for (const auto& request : h.sites.RequestsTo("/img/d/1/")) fetched.push_back(request.target[9] - '0');
        EXPECT_EQ(fetched, c.fetched);
        std::vector<std::string> messages(c.messages.begin(), c.messages.end());
        EXPECT_EQ(h.Messages(), messages);
        std::vector<std::string> kept;
        for (int image : c.kept) kept.push_back(Md5Hex(h.sites.ImageBytes(Site::D, 1, image), true, true) + ".jpg");
        std::sort(kept.begin(), kept.end());
        EXPECT_EQ(FilesBelow(h.OutputRoot() / "单张采集"), kept);
        EXPECT_EQ(page.counter.GetText(), std::to_string(c.shown));
        EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::D, 1, c.shown));
    }
}

TEST(CollectorViewer, BeforeAnyAlbumBothDirectionsSayTheyAreAtTheEnd) {
    CollectorHarness h;
    auto session = h.Session(Site::E);
    auto& page = h.Page(Site::E);
    page.counter.SetText("x");
    ASSERT_TRUE(Done(session->Next()));
    ASSERT_TRUE(Done(session->Previous()));
    EXPECT_EQ(h.Messages(), (std::vector<std::string>{"已经是最后一张了", "已经是第一张了"}));
    EXPECT_EQ(h.window.messages.Messages().at(0).flags, MbOk);
    EXPECT_EQ(page.counter.GetText(), "x");
    EXPECT_EQ(page.preview.SetCount(), 0);
    EXPECT_TRUE(h.sites.Requests().empty());
}

TEST(CollectorViewer, PositionWithoutAnAddressClearsThePictureWithoutARequest) {
    CollectorHarness h({.pageCount = 1, .albumsPerPage = 2, .imagesPerAlbum = 4});
    h.sites.SetAlbum(Site::C, {2, "one image", {ImageKind::Jpeg}});
    auto session = h.Session(Site::C);
    auto& page = h.Page(Site::C);
    ASSERT_TRUE(Done(session->Enter()));
    h.SetManual();
    // An album of four is open; a page collection has since left the viewer the one address of the last
    // album it fetched.
    ASSERT_TRUE(Done(session->OpenAlbum(0, false)));
    h.Collect(*session);
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(session->Next()));
    EXPECT_EQ(page.counter.GetText(), "2");
    EXPECT_EQ(page.preview.GetPicture(), "");
    EXPECT_TRUE(h.sites.Requests().empty());
    // Back at 1 the address exists again.
    ASSERT_TRUE(Done(session->Previous()));
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::C, 2, 1));
}

TEST(CollectorViewer, CoverAddressingStepsBesideTheCover) {
    const struct {
        const char* cover;
        int j;
        const char* expected;
    } cases[] = {{"http://x/img/7/0.jpg", 5, "http://x/img/7/5.jpg"},
                 {"http://x/10.jpg/20.jpg", 2, "http://x/12.jpg/22.jpg"},
                 {"http://x/cover.png", 3, "http://x/cover.png"}};
    for (const auto& c : cases) EXPECT_EQ(CoverImageAddress(c.cover, c.j), c.expected) << c.cover;

    CollectorHarness h;
    const int id = h.sites.Listing(Site::B, 1).at(1);
    h.sites.SetAlbum(Site::B, {id, "six images", std::vector<ImageKind>(6, ImageKind::Jpeg)});
    auto session = h.Session(Site::B);
    auto& page = h.Page(Site::B);
    ASSERT_TRUE(Done(session->Enter()));
    h.SetManual();
    ASSERT_TRUE(Done(session->OpenAlbum(1, false)));
    for (int j = 2; j <= 5; ++j) ASSERT_TRUE(Done(session->Next()));
    EXPECT_EQ(page.counter.GetText(), "5");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::B, id, 5));
    const std::string images = "/img/b/" + std::to_string(id) + "/";
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(session->Previous()));
    // The image shown, beside the cover and with its Referer.
    const auto requests = h.sites.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, images + "4.jpg");
    for (const auto& request : requests) EXPECT_EQ(request.Header("Referer"), h.sites.HomeB() + "t/nvshen/");
    EXPECT_EQ(page.counter.GetText(), "4");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::B, id, 4));
}

TEST(CollectorViewer, ErrorPagesAreNotShownAsImages) {
    CollectorHarness h;
    h.sites.SetAlbum(Site::E, {1, "dead links", {ImageKind::Jpeg, ImageKind::NotFound}});
    auto session = h.Session(Site::E);
    auto& page = h.Page(Site::E);
    ASSERT_TRUE(Done(session->Enter()));
    h.SetManual();
    ASSERT_TRUE(Done(session->OpenAlbum(0, false)));
    ASSERT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::E, 1, 1));
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(session->Next()));
    EXPECT_EQ(h.sites.Requests().size(), 1u);
    EXPECT_EQ(page.preview.GetPicture(), "");
    // And an empty picture is nothing to keep.
    ASSERT_TRUE(Done(session->Save()));
    EXPECT_TRUE(FilesBelow(h.OutputRoot()).empty());
    EXPECT_TRUE(h.Messages().empty());
}

TEST(CollectorViewer, SaveNamesTheFileAfterTheMiddleOfItsDigest) {
    CollectorHarness h;
    auto session = h.Session(Site::D);
    h.Page(Site::D).preview.SetPicture("abc");
    ASSERT_TRUE(Done(session->Save()));
    EXPECT_EQ(FilesBelow(h.base), std::vector<std::string>{"save/采集数据/单张采集/3CD24FB0D6963F7D.jpg"});
    EXPECT_EQ(ReadBytes(h.OutputRoot() / "单张采集" / "3CD24FB0D6963F7D.jpg"), "abc");
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"采集成功！"});
}

TEST(CollectorViewer, SaveThatCannotWriteSaysNothing) {
    CollectorHarness h;
    auto session = h.Session(Site::C);
    // The save folder is a file: no folder can be made below it.
    WriteBytes(h.base / "plain-file", "x");
    h.window.saveFolder.SetText((h.base / "plain-file").string());
    h.Page(Site::C).preview.SetPicture("abc");
    ASSERT_TRUE(Done(session->Save()));
    EXPECT_EQ(FilesBelow(h.base), std::vector<std::string>{"plain-file"});
    EXPECT_TRUE(h.Messages().empty());
}

TEST(CollectorViewer, OpenWithoutSelectionOnlyEmptiesTheList) {
    CollectorHarness h;
    auto session = h.Session(Site::C);
    auto& page = h.Page(Site::C);
    ASSERT_TRUE(Done(session->Enter()));
    h.SetManual();
    ASSERT_TRUE(Done(session->OpenAlbum(0, false)));
    const size_t titles = page.title.History().size();
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(session->OpenAlbum(-1, false)));
    EXPECT_TRUE(h.sites.Requests().empty());
    EXPECT_EQ(page.title.History().size(), titles);
    // The position and count stay; the addresses are gone.
    ASSERT_TRUE(Done(session->Next()));
    EXPECT_EQ(page.counter.GetText(), "2");
    EXPECT_EQ(page.preview.GetPicture(), "");
    EXPECT_TRUE(h.sites.Requests().empty());
}

}  // namespace
}  // namespace dorvane::test

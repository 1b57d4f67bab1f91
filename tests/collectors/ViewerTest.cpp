// The single-image viewer's edges: no album yet, positions without an address, cover addressing, saves
// that have nothing to save or nowhere to go.
#include <gtest/gtest.h>

#include "CollectorHarness.h"

namespace dorvane::test {
namespace {

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
    ASSERT_TRUE(h.AwaitRequest("/img/c/1/2."));  // fetched ahead
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
    ASSERT_TRUE(h.AwaitRequest(images + "6.jpg"));
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(session->Previous()));
    // The image shown, then the one after it fetched ahead, both beside the cover and with its Referer.
    ASSERT_TRUE(h.AwaitRequest(images + "5.jpg"));
    const auto requests = h.sites.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, images + "4.jpg");
    EXPECT_EQ(requests[1].target, images + "5.jpg");
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
    ASSERT_TRUE(h.AwaitRequest("/img/e/1/2."));  // fetched ahead, in vain
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
    ASSERT_TRUE(h.AwaitRequest("/img/c/1/2."));  // fetched ahead
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

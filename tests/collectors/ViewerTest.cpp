// The single-image viewer's edges: no album yet, positions without an address, cover addressing, saves
// that have nothing to save or nowhere to go.
#include <gtest/gtest.h>

#include "CollectorHarness.h"
#include "collectors/SiteC.h"
#include "collectors/SiteE.h"
#include "collectors/Viewer.h"

namespace dorvane::test {
namespace {

TEST(CollectorViewer, BeforeAnyAlbumBothDirectionsSayTheyAreAtTheEnd) {
    CollectorHarness h;
    auto& page = h.Page(Site::E);
    page.counter.SetText("x");
    sitee::Routines().next(h.Controls());
    sitee::Routines().previous(h.Controls());
    EXPECT_EQ(h.Messages(), (std::vector<std::string>{"已经是最后一张了", "已经是第一张了"}));
    EXPECT_EQ(h.window.messages.Messages().at(0).flags, MbOk);
    EXPECT_EQ(page.counter.GetText(), "x");
    EXPECT_EQ(page.preview.SetCount(), 0);
    EXPECT_TRUE(h.sites.Requests().empty());
}

TEST(CollectorViewer, PositionWithoutAnAddressClearsThePictureWithoutARequest) {
    CollectorHarness h;
    auto& page = h.Page(Site::C);
    // An album of three was open; a page collection of another site has since emptied the list.
    State().viewerImages.Assign({h.sites.ImageUrl(Site::C, 1, 1)});
    State().viewerImageCount = 3;
    State().viewerPosition = 1;
    page.preview.SetPicture("shown before");
    sitec::Routines().next(h.Controls());
    EXPECT_EQ(State().viewerPosition.load(), 2);
    EXPECT_EQ(page.counter.GetText(), "2");
    EXPECT_EQ(page.preview.GetPicture(), "");
    EXPECT_TRUE(h.sites.Requests().empty());
    // Back at 1 the address exists again.
    sitec::Routines().previous(h.Controls());
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::C, 1, 1));
}

TEST(CollectorViewer, CoverAddressingReplacesTheZero) {
    CollectorHarness h;
    h.sites.SetAlbum(Site::C, {7, "cover album", std::vector<ImageKind>(6, ImageKind::Jpeg)});
    auto& page = h.Page(Site::B);
    const ViewerAddressing cover{Addressing::Cover, "Referer: " + h.sites.Home() + "/t/nvshen/"};
    State().viewerImages.Assign({h.sites.ImageUrl(Site::C, 3, 0), h.sites.Home() + "/img/c/7/0.jpg"});
    State().viewerAlbumIndex = 2;
    State().viewerImageCount = 6;
    State().viewerPosition = 4;
    ViewerNext(h.Controls(), Site::B, cover);
    const auto requests = h.sites.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/img/c/7/5.jpg");
    EXPECT_EQ(requests[0].Header("Referer"), h.sites.Home() + "/t/nvshen/");
    EXPECT_EQ(page.counter.GetText(), "5");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::C, 7, 5));

    // Every "0.jpg" is replaced, and an index without a cover is a failed fetch.
    EXPECT_EQ(ViewerImageAddress(Addressing::Cover, 3), h.sites.Home() + "/img/c/7/3.jpg");
    State().viewerImages.Assign({"http://x/10.jpg/20.jpg"});
    State().viewerAlbumIndex = 1;
    EXPECT_EQ(ViewerImageAddress(Addressing::Cover, 2), "http://x/12.jpg/22.jpg");
    State().viewerAlbumIndex = 5;
    EXPECT_EQ(ViewerImageAddress(Addressing::Cover, 2), "");
    ViewerPrevious(h.Controls(), Site::B, cover);
    EXPECT_EQ(page.counter.GetText(), "4");
    EXPECT_EQ(page.preview.GetPicture(), "");
    EXPECT_EQ(h.sites.Requests().size(), 1u);
}

TEST(CollectorViewer, ErrorPagesAreNotShownAsImages) {
    CollectorHarness h;
    h.sites.SetAlbum(Site::E, {1, "dead links", {ImageKind::Jpeg, ImageKind::NotFound}});
    auto& page = h.Page(Site::E);
    State().viewerImages.Assign({h.sites.ImageUrl(Site::E, 1, 1), h.sites.ImageUrl(Site::E, 1, 2)});
    State().viewerImageCount = 2;
    State().viewerPosition = 1;
    page.preview.SetPicture("shown before");
    sitee::Routines().next(h.Controls());
    EXPECT_EQ(h.sites.Requests().size(), 1u);
    EXPECT_EQ(page.preview.GetPicture(), "");
    // And an empty picture is nothing to keep.
    sitee::Routines().save(h.Controls());
    EXPECT_TRUE(FilesBelow(h.OutputRoot()).empty());
    EXPECT_TRUE(h.Messages().empty());
}

TEST(CollectorViewer, SaveNamesTheFileAfterTheMiddleOfItsDigest) {
    CollectorHarness h;
    h.Page(Site::D).preview.SetPicture("abc");
    EXPECT_EQ(GbkToUtf8(ViewerSave(h.Controls(), Site::D)),
              (h.OutputRoot() / "单张采集" / "3CD24FB0D6963F7D.jpg").string());
    EXPECT_EQ(ReadBytes(h.OutputRoot() / "单张采集" / "3CD24FB0D6963F7D.jpg"), "abc");
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"采集成功！"});
}

TEST(CollectorViewer, SaveThatCannotWriteSaysNothing) {
    CollectorHarness h;
    // The save folder is a file: no folder can be made below it.
    WriteBytes(h.base / "plain-file", "x");
    h.window.saveFolder.SetText((h.base / "plain-file").string());
    h.Page(Site::C).preview.SetPicture("abc");
    EXPECT_EQ(ViewerSave(h.Controls(), Site::C), "");
    EXPECT_TRUE(h.Messages().empty());
}

TEST(CollectorViewer, OpenWithoutSelectionOnlyEmptiesTheList) {
    CollectorHarness h;
    h.window.autoCollect.SetSelected(false);
    State().viewerImages.Assign({"a", "b"});
    State().viewerPosition = 2;
    sitec::Routines().albumOpen(h.Controls());
    EXPECT_EQ(State().viewerImages.Count(), 0);
    EXPECT_EQ(State().viewerPosition.load(), 2);
    EXPECT_TRUE(h.sites.Requests().empty());
}

}  // namespace
}  // namespace dorvane::test

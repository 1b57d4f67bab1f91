// Collecting from a site that fails now and then: a busy answer is tried again, and with skipping asked
// for, images already on disk are not fetched again.
#include <gtest/gtest.h>

#include "support/CollectorHarness.h"

namespace dorvane::test {
namespace {

int ImageRequests(const CollectorHarness& h) {
    int count = 0;
    for (const auto& request : h.sites.Requests()) count += request.target.find(".jpg") != std::string::npos;
    return count;
}

TEST(UnstableSite, BusyImageIsTriedAgainAndTheSecondRunSkipsWhatIsOnDisk) {
    CollectorHarness h({.pageCount = 1, .albumsPerPage = 2, .imagesPerAlbum = 3});
    h.sites.SetAlbum(Site::D, {1, "busy at first", {ImageKind::Jpeg, ImageKind::BusyOnce, ImageKind::Jpeg}});
    h.settings.retries = 1;
    auto session = h.Session(Site::D);
    ASSERT_TRUE(Done(session->Enter()));
    h.sites.ClearRequests();
    h.Collect(*session);
    EXPECT_EQ(ImageRequests(h), 7);  // six images, one of them asked twice
    for (int album : {1, 2}) {
        for (int j = 1; j <= 3; ++j) {
            EXPECT_EQ(ReadBytes(h.AlbumFolder(Site::D, album) / (std::to_string(j) + ".jpg")),
                      h.sites.ImageBytes(Site::D, album, j));
        }
    }
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});

    h.settings.skip = Settings::Skip::Existing;
    session = h.Session(Site::D);
    ASSERT_TRUE(Done(session->Enter()));
    WriteBytes(h.AlbumFolder(Site::D, 2) / "3.jpg", "");  // an empty file is fetched again
    h.sites.ClearRequests();
    h.Collect(*session);
    EXPECT_EQ(ImageRequests(h), 1);
    EXPECT_EQ(ReadBytes(h.AlbumFolder(Site::D, 2) / "3.jpg"), h.sites.ImageBytes(Site::D, 2, 3));
}

// An answer beyond the size limit is abandoned as a failed download; the page goes on with the rest.
TEST(UnstableSite, OversizedImageFailsAndThePageGoesOn) {
    CollectorHarness h({.pageCount = 1, .albumsPerPage = 1, .imagesPerAlbum = 3});
    h.sites.SetAlbum(Site::D, {1, "one too large", {ImageKind::Jpeg, ImageKind::Oversized, ImageKind::Jpeg}});
    h.settings.maxBodyBytes = 1024 * 1024;
    auto session = h.Session(Site::D);
    ASSERT_TRUE(Done(session->Enter()));
    h.Collect(*session);
    EXPECT_EQ(ReadBytes(h.AlbumFolder(Site::D, 1) / "1.jpg"), h.sites.ImageBytes(Site::D, 1, 1));
    EXPECT_EQ(fs::file_size(h.AlbumFolder(Site::D, 1) / "2.jpg"), 0u);
    EXPECT_EQ(ReadBytes(h.AlbumFolder(Site::D, 1) / "3.jpg"), h.sites.ImageBytes(Site::D, 1, 3));
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成\r\n失败 1 张"});
}

}  // namespace
}  // namespace dorvane::test

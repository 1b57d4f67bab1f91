// A page collection and a kept image are recorded in the history the page was built with.
#include <gtest/gtest.h>

#include "history/HistoryStore.h"
#include "support/CollectorHarness.h"

namespace dorvane::test {
namespace {

TEST(SessionHistory, CollectionsAndKeptImagesAreRecorded) {
    CollectorHarness h({.pageCount = 1, .albumsPerPage = 2, .imagesPerAlbum = 3});
    HistoryStatus status;
    const std::unique_ptr<HistoryStore> store = HistoryStore::Open((h.base / "history.sqlite3").string(), status);
    ASSERT_NE(store, nullptr) << status.Message();
    auto session = std::make_unique<SitePageSession>(DescribeSite(static_cast<int>(Site::D), h.settings),
                                                     h.View(Site::D), h.settings, HistoryUse{store.get(), "d"});
    ASSERT_TRUE(Done(session->Enter()));
    h.Collect(*session);
    h.Page(Site::D).preview.SetPicture(h.sites.ImageBytes(Site::D, 1, 1));
    ASSERT_TRUE(Done(session->Save()));
    std::vector<ImageRow> rows;
    ASSERT_TRUE(store->ForEachImage({}, [&](const ImageRow& row) { rows.push_back(row); }).Ok());
    ASSERT_EQ(rows.size(), 7u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_NE(rows[i].runId, 0);
        EXPECT_EQ(ReadBytes(rows[i].image.path).size(), static_cast<size_t>(rows[i].image.size));
        EXPECT_TRUE(store->IsImageKnown(rows[i].image.address));
    }
    // The kept image: outside any run, and with no address a collection could skip on.
    EXPECT_EQ(rows[6].runId, 0);
    EXPECT_TRUE(rows[6].image.address.empty());
    EXPECT_EQ(rows[6].image.sha256, rows[0].image.sha256);
    for (const AlbumEntry& album : session->Listing().albums)
        EXPECT_TRUE(store->IsAlbumComplete(SystemTextToUtf8(album.url))) << album.url;
}

}  // namespace
}  // namespace dorvane::test

// Each page session keeps to the settings it was built with, whatever the pages beside it were built with.
#include <gtest/gtest.h>

#include "support/CollectorHarness.h"

namespace dorvane::test {
namespace {

TEST(SessionSettings, PagesBuiltWithDifferentSettingsEachKeepToTheirOwn) {
    CollectorHarness h({.pageCount = 1, .albumsPerPage = 1, .imagesPerAlbum = 3});
    h.sites.SetAlbum(Site::D, {1, "one large", {ImageKind::Jpeg, ImageKind::Oversized, ImageKind::Jpeg}});
    // Collected in this order on one save folder: the large image fails under the small limit and leaves
    // an empty file, which a page skipping stored images fetches again.
    const struct {
        const char* name;
        long long maxBodyBytes;
        bool skipExisting;
        int imageRequests;
        const char* message;
    } pages[] = {
        {"1 MB limit", 1 << 20, false, 3, "本页采集完成\r\n失败 1 张"},
        {"default limit, skipping", NetworkLimits().maxBodyBytes, true, 1, "本页采集完成"},
        {"1 MB limit again", 1 << 20, false, 3, "本页采集完成\r\n失败 1 张"},
    };
    // Every page is built before any collects.
    std::vector<std::unique_ptr<SitePageSession>> sessions;
    for (const auto& page : pages) {
        h.settings.maxBodyBytes = page.maxBodyBytes;
        h.settings.skip = page.skipExisting ? Settings::Skip::Existing : Settings::Skip::None;
        sessions.push_back(h.Session(Site::D));
        ASSERT_TRUE(Done(sessions.back()->Enter()));
    }
    for (size_t i = 0; i < sessions.size(); ++i) {
        SCOPED_TRACE(pages[i].name);
        h.sites.ClearRequests();
        h.Collect(*sessions[i]);
        int images = 0;
        for (const auto& request : h.sites.Requests()) images += request.target.ends_with(".jpg");
        EXPECT_EQ(images, pages[i].imageRequests);
        const std::vector<std::string> messages = h.Messages();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), pages[i].message);
    }
}

}  // namespace
}  // namespace dorvane::test

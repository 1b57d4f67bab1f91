// Sites C, D and E end to end against the fixture server: loader, page choice, worker, viewer, and the
// request lines the server saw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include "collectors/Collectors.h"
#include "collectors/SiteC.h"
#include "collectors/SiteD.h"
#include "collectors/SiteE.h"
#include "core/SiteRoutines.h"

#include "CollectorHarness.h"

namespace dorvane::test {
namespace {

std::string ListingTarget(Site site, int page) {
    const std::string p = std::to_string(page);
    switch (site) {
        case Site::C:
            return "/photo/index/2-0-" + p;
        case Site::D:
            return "/dmmt/page/" + p;
        default:
            return "/meituxinshang/p" + p + ".html";
    }
}

std::string ImagePrefix(Site site) {
    return std::string("/img/") + (site == Site::C ? "c" : site == Site::D ? "d" : "e") + "/";
}

class SiteFlow : public ::testing::TestWithParam<Site> {
protected:
    void SetUp() override {
        routines = SiteCollectors()[static_cast<size_t>(GetParam())];
        ASSERT_TRUE(routines.pageLoader && routines.pageWorker && routines.listingLoad &&
                    routines.albumOpen && routines.previous && routines.next && routines.save);
    }
    Site site() const { return GetParam(); }
    std::vector<std::string> ListedTitles(int page) {
        std::vector<std::string> titles;
        for (int id : h.sites.Listing(site(), page)) titles.push_back(h.sites.ListedTitle(site(), id));
        return titles;
    }
    std::vector<std::string> ListedUrls(int page) {
        std::vector<std::string> urls;
        for (int id : h.sites.Listing(site(), page)) urls.push_back(h.sites.AlbumUrl(site(), id));
        return urls;
    }
    // The Referer line each site's image requests must carry.
    std::string ExpectedReferer(const LoggedRequest& request) {
        if (site() == Site::C) return h.sites.Home();
        return h.sites.Home() + request.target;  // the fetcher's default: the request's own address
    }
    void ExpectImageReferers() {
        const auto images = h.sites.RequestsTo(ImagePrefix(site()));
        ASSERT_FALSE(images.empty());
        for (const auto& request : images) {
            EXPECT_EQ(request.HeaderCount("Referer"), 1) << request.target;
            EXPECT_EQ(request.Header("Referer"), ExpectedReferer(request)) << request.target;
        }
    }

    CollectorHarness h;
    SiteRoutines routines;
};

TEST_P(SiteFlow, LoaderFillsPagesAndListsTheFirstPage) {
    auto& page = h.Page(site());
    h.RunOnWorker(routines.pageLoader);
    EXPECT_EQ(GbkToUtf8(page.pageCount.GetText()), "共7页,打开：");
    EXPECT_EQ(h.PageItems(site()), Numbers(1, 7));
    EXPECT_EQ(page.pages.Selection(), 0);
    EXPECT_EQ(h.AlbumLines(site()), ListedTitles(1));
    EXPECT_EQ(State().albumUrls.Snapshot(), ListedUrls(1));
    // Site E counts its pages on listing page 1 itself, so that page is asked for twice.
    EXPECT_EQ(h.sites.RequestsTo(ListingTarget(site(), 1)).size(), site() == Site::E ? 2u : 1u);

    // A second run appends the pages again and lists page 1 afresh, not twice.
    State().albumImageCounts.Append("stale");
    h.RunOnWorker(routines.pageLoader);
    std::vector<std::string> twice = Numbers(1, 7);
    const std::vector<std::string> again = Numbers(1, 7);
    twice.insert(twice.end(), again.begin(), again.end());
    EXPECT_EQ(h.PageItems(site()), twice);
    EXPECT_EQ(h.AlbumLines(site()), ListedTitles(1));
    EXPECT_EQ(State().albumUrls.Count(), 3);
    EXPECT_EQ(State().albumImageCounts.Count(), 0);
    // Only this site's page was written.
    for (Site other : {Site::A, Site::B, Site::C, Site::D, Site::E}) {
        if (other == site()) continue;
        EXPECT_EQ(h.Page(other).pages.ItemCount(), 0);
        EXPECT_EQ(h.Page(other).albums.ItemCount(), 0);
    }
}

TEST_P(SiteFlow, ChoosingAPageListsItsAlbums) {
    h.RunOnWorker(routines.pageLoader);
    h.Page(site()).pages.SetSelection(2);
    h.sites.ClearRequests();
    routines.listingLoad(h.Controls());
    const auto requests = h.sites.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, ListingTarget(site(), 3));
    EXPECT_EQ(h.AlbumLines(site()), ListedTitles(3));
    EXPECT_EQ(State().albumUrls.Snapshot(), ListedUrls(3));
}

TEST_P(SiteFlow, WorkerCollectsEveryAlbumIntoItsFolder) {
    h.RunOnWorker(routines.pageLoader);
    h.sites.ClearRequests();
    h.RunOnWorker(routines.pageWorker);

    const std::vector<int> ids = h.sites.Listing(site(), 1);
    std::vector<std::string> expectedFiles;
    for (int id : ids) {
        for (int j = 1; j <= 4; ++j) {
            const fs::path file = h.AlbumFolder(site(), id) / (std::to_string(j) + ".jpg");
            EXPECT_EQ(ReadBytes(file), h.sites.ImageBytes(site(), id, j)) << file;
            expectedFiles.push_back(fs::relative(file, h.OutputRoot()).string());
        }
    }
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(FilesBelow(h.base), [&] {
        std::vector<std::string> below;
        for (const auto& f : expectedFiles) below.push_back("save/采集数据/" + f);
        return below;
    }());

    auto& page = h.Page(site());
    // The title label's history starts with its design caption.
    std::vector<std::string> statuses;
    for (const auto& text : page.title.History()) statuses.push_back(GbkToUtf8(text));
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front(), "标题：");
    statuses.erase(statuses.begin());
    std::vector<std::string> expectedStatuses;
    for (int id : ids)
        expectedStatuses.push_back("主题：" + GbkToUtf8(h.sites.ListedTitle(site(), id)) + " 正在采集 .");
    EXPECT_EQ(statuses, expectedStatuses);
    EXPECT_EQ(page.counter.History(),
              (std::vector<std::string>{"1", "2", "3", "4", "1", "2", "3", "4", "1", "2", "3", "4"}));
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), ids.back(), 4));
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});
    EXPECT_EQ(h.window.messages.Messages().at(0).flags, MbOk);

    // The viewer's list holds the last album's addresses, as the worker fetched them.
    std::vector<std::string> lastAlbum;
    for (int j = 1; j <= 4; ++j) lastAlbum.push_back(h.sites.ImageUrl(site(), ids.back(), j));
    EXPECT_EQ(State().viewerImages.Snapshot(), lastAlbum);

    // Requests: one album page and four images per album; images with the site's Referer line; Site C's
    // downloader asks for the full-size image (no resize suffix).
    EXPECT_EQ(h.sites.Requests().size(), ids.size() * 5);
    ExpectImageReferers();
    for (const auto& request : h.sites.RequestsTo(ImagePrefix(site()))) {
        EXPECT_EQ(request.target.find('?'), std::string::npos) << request.target;
    }
}

TEST_P(SiteFlow, NoCompletionMessageInManualPreview) {
    h.RunOnWorker(routines.pageLoader);
    h.window.autoCollect.SetSelected(false);
    h.window.manualPreview.SetSelected(true);
    h.RunOnWorker(routines.pageWorker);
    EXPECT_TRUE(h.Messages().empty());
    EXPECT_EQ(FilesBelow(h.OutputRoot()).size(), 12u);
}

TEST_P(SiteFlow, EmptyAlbumListStillReportsCompletion) {
    h.RunOnWorker(routines.pageWorker);
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});
    EXPECT_FALSE(fs::exists(h.OutputRoot()));
    EXPECT_TRUE(h.sites.Requests().empty());
}

TEST_P(SiteFlow, ViewerStepsThroughAnAlbumAndKeepsImages) {
    auto& page = h.Page(site());
    h.RunOnWorker(routines.pageLoader);
    const int id = h.sites.Listing(site(), 1).at(1);
    page.albums.SetSelection(1);

    // With "自动采集" selected a double-click changes nothing.
    State().viewerImages.Assign({"keep"});
    h.sites.ClearRequests();
    routines.albumOpen(h.Controls());
    EXPECT_EQ(State().viewerImages.Snapshot(), TextList{"keep"});
    EXPECT_TRUE(h.sites.Requests().empty());

    h.window.autoCollect.SetSelected(false);
    h.window.manualPreview.SetSelected(true);
    routines.albumOpen(h.Controls());
    EXPECT_EQ(page.title.GetText(), h.sites.ListedTitle(site(), id));
    EXPECT_EQ(page.counter.GetText(), "1");
    EXPECT_EQ(State().viewerPosition.load(), 1);
    EXPECT_EQ(State().viewerImageCount.load(), 4);
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), id, 1));

    routines.previous(h.Controls());
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"已经是第一张了"});
    EXPECT_EQ(page.counter.GetText(), "1");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), id, 1));

    for (int j = 2; j <= 4; ++j) {
        routines.next(h.Controls());
        EXPECT_EQ(page.counter.GetText(), std::to_string(j));
        EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), id, j));
    }
    routines.next(h.Controls());
    EXPECT_EQ(h.Messages().back(), "已经是最后一张了");
    EXPECT_EQ(State().viewerPosition.load(), 4);
    routines.previous(h.Controls());
    EXPECT_EQ(page.counter.GetText(), "3");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), id, 3));

    // Keeping the same image twice gives one file with a 16-digit upper-case hex name.
    routines.save(h.Controls());
    routines.save(h.Controls());
    const auto kept = FilesBelow(h.OutputRoot() / "单张采集");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(std::regex_match(kept[0], std::regex("[0-9A-F]{16}\\.jpg"))) << kept[0];
    EXPECT_EQ(ReadBytes(h.OutputRoot() / "单张采集" / kept[0]), h.sites.ImageBytes(site(), id, 3));
    const auto messages = h.Messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "采集成功！"), 2);

    // Every image request carried the site's Referer line; Site C's viewer asks for the resized image.
    ExpectImageReferers();
    for (const auto& request : h.sites.RequestsTo(ImagePrefix(site()))) {
        const bool suffixed = request.target.size() > std::strlen(FixtureSites::ResizeSuffix()) &&
                              request.target.ends_with(FixtureSites::ResizeSuffix());
        EXPECT_EQ(suffixed, site() == Site::C) << request.target;
    }
}

TEST_P(SiteFlow, OpeningAnAlbumWithoutImagesLeavesThePicture) {
    auto& page = h.Page(site());
    h.sites.SetAlbum(site(), {2, "empty album", {}});
    h.RunOnWorker(routines.pageLoader);
    h.window.autoCollect.SetSelected(false);
    page.preview.SetPicture("previous picture");
    page.albums.SetSelection(1);
    routines.albumOpen(h.Controls());
    EXPECT_EQ(page.counter.GetText(), "1");
    EXPECT_EQ(page.preview.GetPicture(), "previous picture");
    EXPECT_EQ(State().viewerImages.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sites, SiteFlow, ::testing::Values(Site::C, Site::D, Site::E),
                         [](const auto& info) { return std::string("Site") + SiteName(info.param); });

}  // namespace
}  // namespace dorvane::test

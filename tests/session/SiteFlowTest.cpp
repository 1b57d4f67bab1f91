// Sites C, D and E end to end against the fixture server through their page sessions: entering the
// page, page choice, collection, viewer, and the request lines the server saw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>

#include "support/CollectorHarness.h"

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
    std::unique_ptr<SitePageSession> session = h.Session(GetParam());
};

TEST_P(SiteFlow, LoaderFillsPagesAndListsTheFirstPage) {
    auto& page = h.Page(site());
    ASSERT_TRUE(Done(session->Enter()));
    EXPECT_EQ(GbkToUtf8(page.pageCount.GetText()), "共7页,打开：");
    EXPECT_EQ(h.PageItems(site()), Numbers(1, 7));
    EXPECT_EQ(page.pages.Selection(), 0);
    EXPECT_EQ(h.AlbumLines(site()), ListedTitles(1));
    EXPECT_EQ(h.Urls(*session), ListedUrls(1));
    // Site E counts its pages on listing page 1 itself, so that page is asked for twice.
    EXPECT_EQ(h.sites.RequestsTo(ListingTarget(site(), 1)).size(), site() == Site::E ? 2u : 1u);

    // Entering again appends the pages again and lists page 1 afresh, not twice.
    ASSERT_TRUE(Done(session->Enter()));
    std::vector<std::string> twice = Numbers(1, 7);
    const std::vector<std::string> again = Numbers(1, 7);
    twice.insert(twice.end(), again.begin(), again.end());
    EXPECT_EQ(h.PageItems(site()), twice);
    EXPECT_EQ(h.AlbumLines(site()), ListedTitles(1));
    EXPECT_EQ(h.Urls(*session), ListedUrls(1));
    // Only this site's page was written.
    for (Site other : {Site::A, Site::B, Site::C, Site::D, Site::E}) {
        if (other == site()) continue;
        EXPECT_EQ(h.Page(other).pages.ItemCount(), 0);
        EXPECT_EQ(h.Page(other).albums.ItemCount(), 0);
    }
}

TEST_P(SiteFlow, ChoosingAPageListsItsAlbums) {
    ASSERT_TRUE(Done(session->Enter()));
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(session->ChoosePage(2)));
    const auto requests = h.sites.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, ListingTarget(site(), 3));
    EXPECT_EQ(h.AlbumLines(site()), ListedTitles(3));
    EXPECT_EQ(h.Urls(*session), ListedUrls(3));
}

TEST_P(SiteFlow, CollectionStoresEveryAlbumInItsFolder) {
    ASSERT_TRUE(Done(session->Enter()));
    // An album open in the viewer before the collection: the viewer steps on through what the collection
    // fetched last.
    h.SetManual();
    ASSERT_TRUE(Done(session->OpenAlbum(0, false)));
    const std::vector<int> ids = h.sites.Listing(site(), 1);
    h.window.autoCollect.SetSelected(true);
    h.window.manualPreview.SetSelected(false);
    auto& page = h.Page(site());
    const size_t titlesBefore = page.title.History().size();
    const size_t countersBefore = page.counter.History().size();
    h.sites.ClearRequests();
    h.Collect(*session);

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

    std::vector<std::string> statuses;
    for (const auto& text : page.title.History()) statuses.push_back(GbkToUtf8(text));
    statuses.erase(statuses.begin(), statuses.begin() + static_cast<long>(titlesBefore));
    std::vector<std::string> expectedStatuses;
    for (int id : ids)
        expectedStatuses.push_back("主题：" + GbkToUtf8(h.sites.ListedTitle(site(), id)) + " 正在采集 .");
    EXPECT_EQ(statuses, expectedStatuses);
    std::vector<std::string> counters = page.counter.History();
    counters.erase(counters.begin(), counters.begin() + static_cast<long>(countersBefore));
    EXPECT_EQ(counters, (std::vector<std::string>{"1", "2", "3", "4", "1", "2", "3", "4", "1", "2", "3", "4"}));
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), ids.back(), 4));
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});
    EXPECT_EQ(h.window.messages.Messages().at(0).flags, MbOk);

    // Requests: one album page and four images per album; images with the site's Referer line; Site C's
    // downloader asks for the full-size image (no resize suffix).
    EXPECT_EQ(h.sites.Requests().size(), ids.size() * 5);
    ExpectImageReferers();
    for (const auto& request : h.sites.RequestsTo(ImagePrefix(site()))) {
        EXPECT_EQ(request.target.find('?'), std::string::npos) << request.target;
    }

    // The viewer's list now holds the last album's addresses, as the collection fetched them.
    h.SetManual();
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(session->Next()));
    // The image shown, and nothing ahead of it: one transfer at a time.
    const auto requests = h.sites.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(h.sites.Home() + requests[0].target, h.sites.ImageUrl(site(), ids.back(), 2));
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), ids.back(), 2));
}

TEST_P(SiteFlow, NoCompletionMessageInManualPreview) {
    ASSERT_TRUE(Done(session->Enter()));
    h.SetManual();
    h.Collect(*session);
    EXPECT_TRUE(h.Messages().empty());
    EXPECT_EQ(FilesBelow(h.OutputRoot()).size(), 12u);
}

TEST_P(SiteFlow, EmptyAlbumListStillReportsCompletion) {
    h.Collect(*session);
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});
    EXPECT_FALSE(fs::exists(h.OutputRoot()));
    EXPECT_TRUE(h.sites.Requests().empty());
}

TEST_P(SiteFlow, ViewerStepsThroughAnAlbumAndKeepsImages) {
    auto& page = h.Page(site());
    ASSERT_TRUE(Done(session->Enter()));
    const int id = h.sites.Listing(site(), 1).at(1);

    // With "自动采集" selected a double-click changes nothing.
    h.sites.ClearRequests();
    const size_t counters = page.counter.History().size();
    EXPECT_EQ(session->OpenAlbum(1, true), nullptr);
    EXPECT_TRUE(h.sites.Requests().empty());
    EXPECT_EQ(page.counter.History().size(), counters);

    h.SetManual();
    ASSERT_TRUE(Done(session->OpenAlbum(1, false)));
    EXPECT_EQ(page.title.GetText(), h.sites.ListedTitle(site(), id));
    EXPECT_EQ(page.counter.GetText(), "1");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), id, 1));

    ASSERT_TRUE(Done(session->Previous()));
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"已经是第一张了"});
    EXPECT_EQ(page.counter.GetText(), "1");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), id, 1));

    for (int j = 2; j <= 4; ++j) {
        ASSERT_TRUE(Done(session->Next()));
        EXPECT_EQ(page.counter.GetText(), std::to_string(j));
        EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), id, j));
    }
    ASSERT_TRUE(Done(session->Next()));
    EXPECT_EQ(h.Messages().back(), "已经是最后一张了");
    EXPECT_EQ(page.counter.GetText(), "4");
    ASSERT_TRUE(Done(session->Previous()));
    EXPECT_EQ(page.counter.GetText(), "3");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(site(), id, 3));

    // Keeping the same image twice gives one file with a 16-digit upper-case hex name.
    ASSERT_TRUE(Done(session->Save()));
    ASSERT_TRUE(Done(session->Save()));
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
    ASSERT_TRUE(Done(session->Enter()));
    h.window.autoCollect.SetSelected(false);
    page.preview.SetPicture("previous picture");
    ASSERT_TRUE(Done(session->OpenAlbum(1, false)));
    EXPECT_EQ(page.counter.GetText(), "1");
    EXPECT_EQ(page.preview.GetPicture(), "previous picture");
    // Nothing to step through: no image is asked for.
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(session->Next()));
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"已经是最后一张了"});
    EXPECT_TRUE(h.sites.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(Sites, SiteFlow, ::testing::Values(Site::C, Site::D, Site::E),
                         [](const auto& info) { return std::string("Site") + SiteName(info.param); });

}  // namespace
}  // namespace dorvane::test

// Sites A and B end to end against the HTTPS fixture sites through their page sessions: entering the page,
// category, tag and page choice, the collection, the viewer, and the request lines the server saw.
#include <gtest/gtest.h>

#include <regex>

#include "collectors/SiteA.h"
#include "collectors/SiteB.h"
#include "core/Numbers.h"
#include "text/Hash.h"

#include "support/CollectorHarness.h"

namespace dorvane::test {
namespace {

FixtureOptions Guarded() {
    FixtureOptions options;
    options.requireReferer = true;  // a wrong Referer gets 403, and the file would come out empty
    return options;
}

class SiteABFlow : public ::testing::Test {
protected:
    std::vector<std::string> Lines(Site site) { return h.AlbumLines(site); }
    // Every image request carried exactly that Referer line; with pagesWithout, no other request did.
    void ExpectReferers(const std::string& imagePrefix, const std::string& referer, bool pagesWithout) {
        int images = 0;
        for (const auto& request : h.sites.Requests()) {
            const bool image = request.target.rfind(imagePrefix, 0) == 0;
            images += image;
            if (image) {
                EXPECT_EQ(request.HeaderCount("Referer"), 1) << request.target;
                EXPECT_EQ(request.Header("Referer"), referer) << request.target;
            } else if (pagesWithout) {
                EXPECT_NE(request.Header("Referer"), referer) << request.target;
            }
        }
        EXPECT_GT(images, 0);
    }
    std::vector<std::string> Statuses(Site site) {
        std::vector<std::string> texts;
        for (const auto& text : h.Page(site).title.History()) texts.push_back(GbkToUtf8(text));
        if (!texts.empty()) texts.erase(texts.begin());  // the design caption
        return texts;
    }

    CollectorHarness h{Guarded()};
    std::unique_ptr<SitePageSession> a = h.Session(Site::A);
    std::unique_ptr<SitePageSession> b = h.Session(Site::B);
};

TEST_F(SiteABFlow, SiteASetupCategoriesPagesAndCollection) {
    auto& page = h.Page(Site::A);
    ASSERT_TRUE(Done(a->Enter()));
    // The menu, then the eighth category (all albums) listed at once.
    std::vector<std::string> names;
    for (int i = 0; i < page.categories.ItemCount(); ++i) names.push_back(page.categories.ItemText(i));
    EXPECT_EQ(names, h.sites.CategoryNames());
    EXPECT_EQ(page.categories.Selection(), 7);
    EXPECT_EQ(a->Listing().source.kind, sitea::kAllAlbums);
    EXPECT_GT(page.albums.ItemCount(), 0);
    EXPECT_FALSE(page.pages.IsVisible());
    EXPECT_EQ(static_cast<int>(a->Listing().albums.size()), page.albums.ItemCount());

    // The first category: its own page (as the menu links it) gives the page count, then page 2 of its
    // listing.
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(a->ChooseMenu(0)));
    ASSERT_EQ(h.sites.Requests().size(), 1u);
    EXPECT_EQ(h.sites.HomeA() + h.sites.Requests()[0].target.substr(1), h.sites.CategoryUrls().at(0));
    EXPECT_TRUE(page.pages.IsVisible());
    EXPECT_EQ(GbkToUtf8(page.pageCount.GetText()), "共7页 跳到：");
    EXPECT_EQ(h.PageItems(Site::A), Numbers(1, 7));
    EXPECT_EQ(a->Listing().source.base, h.sites.HomeA() + "xinggan/page/");
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(a->ChoosePage(1)));
    ASSERT_EQ(h.sites.Requests().size(), 1u);
    EXPECT_EQ(h.sites.Requests()[0].target, "/xinggan/page/2");
    const std::vector<int> ids = h.sites.Listing(Site::A, 2);
    std::vector<std::string> titles, urls;
    for (int id : ids)
        titles.push_back(h.sites.ListedTitle(Site::A, id)), urls.push_back(h.sites.AlbumUrl(Site::A, id));
    EXPECT_EQ(Lines(Site::A), titles);
    EXPECT_EQ(h.Urls(*a), urls);
    // A later page keeps the category's pattern.
    ASSERT_TRUE(Done(a->ChoosePage(2)));
    EXPECT_EQ(Lines(Site::A).size(), h.sites.Listing(Site::A, 3).size());
    ASSERT_TRUE(Done(a->ChoosePage(1)));

    h.sites.ClearRequests();
    h.Collect(*a);
    std::vector<std::string> expectedFiles, expectedStatuses;
    for (int id : ids) {
        const std::string title = GbkToUtf8(h.sites.ListedTitle(Site::A, id));
        expectedStatuses.push_back(title);
        for (int j = 1; j <= 4; ++j) {
            const fs::path file = h.OutputRoot() / title / (std::to_string(j) + ".jpg");
            EXPECT_EQ(ReadBytes(file), h.sites.ImageBytes(Site::A, id, j)) << file;
            expectedFiles.push_back("save/采集数据/" + title + "/" + std::to_string(j) + ".jpg");
            expectedStatuses.push_back(title + " 正在采集第【" + std::to_string(j) + "】张");
        }
    }
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(FilesBelow(h.base), expectedFiles);
    EXPECT_EQ(Statuses(Site::A), expectedStatuses);
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});
    // Per album: its first page, then a page and an image per image.
    EXPECT_EQ(h.sites.Requests().size(), ids.size() * (1 + 2 * 4));
    ExpectReferers("/img/", h.sites.HomeA(), false);
}

TEST_F(SiteABFlow, SiteACommentPagesAndAHostileTitle) {
    auto& page = h.Page(Site::A);
    ASSERT_TRUE(Done(a->Enter()));

    // A title with colons and path parts stays one folder inside the output root.
    const int id = h.sites.Listing(Site::A, 1).at(0);
    h.sites.SetAlbum(Site::A, {id, "甜:美/../../逃出", {ImageKind::Jpeg}});
    ASSERT_TRUE(Done(a->ChooseMenu(1)));
    ASSERT_TRUE(Done(a->ChoosePage(0)));
    ASSERT_EQ(GbkToUtf8(page.albums.ItemText(0)), "甜:美/../../逃出");
    h.window.saveFolder.SetText((h.saveFolder / "x").string());
    h.Collect(*a);
    EXPECT_EQ(ReadBytes(h.saveFolder / "x/采集数据/甜美_.._.._逃出/1.jpg"),
              h.sites.ImageBytes(Site::A, id, 1));
    for (const auto& file : FilesBelow(h.base)) EXPECT_EQ(file.rfind("save/x/采集数据/", 0), 0u) << file;

    // The self-shot comment pages: one page more than the third link names; lines are comment numbers.
    ASSERT_TRUE(Done(a->ChooseMenu(4)));
    EXPECT_EQ(a->Listing().source.kind, sitea::kCommentPages);
    EXPECT_EQ(GbkToUtf8(page.pageCount.GetText()), "共7页 跳到：");
    ASSERT_TRUE(Done(a->ChoosePage(1)));
    const auto numbers = h.sites.CommentNumbers(true, 2);
    const auto images = h.sites.CommentImageUrls(true, 2);
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(Lines(Site::A), numbers);
    EXPECT_EQ(h.Urls(*a), images);
    h.Collect(*a);
    std::vector<std::string> expected;
    for (size_t i = 0; i < numbers.size(); ++i) {
        const std::string bytes = h.sites.ImageBytesAt(images[i]);
        const std::string name = numbers[i] + Md5Hex(bytes) + ".jpg";
        EXPECT_EQ(ReadBytes(h.saveFolder / "x/采集数据/妹子自拍" / name), bytes) << name;
        expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesBelow(h.saveFolder / "x/采集数据/妹子自拍"), expected);
    ExpectReferers("/img/", h.sites.HomeA(), false);
}

TEST_F(SiteABFlow, SiteAViewerAndAStopInTheMiddle) {
    auto& page = h.Page(Site::A);
    ASSERT_TRUE(Done(a->Enter()));
    ASSERT_GT(page.albums.ItemCount(), 1);
    // The all-albums listing starts with listing page 1.
    const int id = h.sites.Listing(Site::A, 1).at(1);
    ASSERT_EQ(a->Listing().albums.at(1).url, h.sites.AlbumUrl(Site::A, id));
    h.SetManual();
    ASSERT_TRUE(Done(a->OpenAlbum(1, false)));
    EXPECT_EQ(page.counter.GetText(), "1");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::A, id, 1));
    for (int j = 2; j <= 4; ++j) {
        ASSERT_TRUE(Done(a->Next()));
        EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::A, id, j));
    }
    ASSERT_TRUE(Done(a->Next()));
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"已经是最后一张了"});

    // A stop while an image is on its way: nothing is written under its name, and nothing after it. One
    // transfer at a time (the page was built so), so the two images before it are stored when the stop
    // comes.
    ASSERT_EQ(h.settings.parallel, 1);
    h.window.autoCollect.SetSelected(true);
    // Shared with the server's thread, which may still be in the hook when this test's body has ended.
    struct Gate {
        std::atomic<int> served{0};
        std::atomic<bool> release{false};
    };
    auto gate = std::make_shared<Gate>();
    h.sites.SetImageHook([gate](const std::string&) {
        if (++gate->served == 3) {
            while (!gate->release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    struct Release {
        Gate& gate;
        ~Release() { gate.release = true; }
    } releaseAtEnd{*gate};
    auto worker = h.StartOnWorker([&](MainControls&) { a->Collect(); });
    ASSERT_TRUE(Eventually([&] { return gate->served == 3; }));
    worker->RequestStop();
    ASSERT_TRUE(worker->WaitFinished(std::chrono::seconds(20)));
    gate->release = true;
    const auto files = FilesBelow(h.OutputRoot());
    EXPECT_EQ(files.size(), 2u);
    for (const auto& file : files) EXPECT_FALSE(file.ends_with("3.jpg")) << file;
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"已经是最后一张了"});
}

TEST_F(SiteABFlow, SiteBTagsPagesCollectionAndViewer) {
    auto& page = h.Page(Site::B);
    h.sites.SetTagAlbumCount(1, 29);
    h.sites.SetTagAlbumCount(2, 0);
    ASSERT_TRUE(Done(b->Enter()));
    // Tag 0 reports 125 albums: three pages; page 1 is the tag address itself.
    std::vector<std::string> tags;
    for (int i = 0; i < page.categories.ItemCount(); ++i) tags.push_back(page.categories.ItemText(i));
    EXPECT_EQ(tags, (std::vector<std::string>{h.sites.TagName(0), h.sites.TagName(1), h.sites.TagName(2)}));
    EXPECT_EQ(GbkToUtf8(page.pageCount.GetText()), "共3页 跳到：");
    EXPECT_EQ(h.PageItems(Site::B), Numbers(1, 3));
    const std::string tag0 = h.sites.TagUrl(0);
    EXPECT_EQ(b->Listing().source.base, tag0);
    const std::vector<int> ids = h.sites.Listing(Site::B, 1);
    std::vector<std::string> covers, counts;
    for (int id : ids) covers.push_back(h.sites.ImageUrl(Site::B, id, 0)), counts.push_back("4");
    EXPECT_EQ(h.Urls(*b), covers);
    std::vector<std::string> listedCounts;
    for (const AlbumEntry& album : b->Listing().albums) listedCounts.push_back(album.imageCount);
    EXPECT_EQ(listedCounts, counts);

    // Page 2 of the tag, then tags of one page and of none.
    h.sites.ClearRequests();
    ASSERT_TRUE(Done(b->ChoosePage(1)));
    ASSERT_EQ(h.sites.Requests().size(), 1u);
    EXPECT_EQ("https://" + h.sites.TlsHost() + h.sites.Requests()[0].target, tag0 + "2.html");
    EXPECT_EQ(b->Listing().albums.size(), h.sites.Listing(Site::B, 2).size());
    for (int tag : {1, 2}) {
        ASSERT_TRUE(Done(b->ChooseMenu(tag)));
        EXPECT_EQ(h.PageItems(Site::B).size(), tag == 1 ? 1u : 0u) << tag;
        EXPECT_EQ(static_cast<int>(b->Listing().albums.size()), page.albums.ItemCount());
    }
    EXPECT_GT(page.albums.ItemCount(), 0);  // the tag of no page lists its own address

    // Back to tag 0, page 1, and collect it.
    ASSERT_TRUE(Done(b->ChooseMenu(0)));
    ASSERT_GT(page.albums.ItemCount(), 0);
    h.sites.ClearRequests();
    h.Collect(*b);
    std::vector<std::string> expectedFiles;
    for (int id : ids) {
        const std::string title = GbkToUtf8(h.sites.ListedTitle(Site::B, id));
        for (int j = 1; j <= 4; ++j) {
            const fs::path file = h.OutputRoot() / title / (std::to_string(j) + ".jpg");
            EXPECT_EQ(ReadBytes(file), h.sites.ImageBytes(Site::B, id, j)) << file;
            expectedFiles.push_back("save/采集数据/" + title + "/" + std::to_string(j) + ".jpg");
        }
    }
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(FilesBelow(h.base), expectedFiles);
    EXPECT_EQ(h.sites.Requests().size(), ids.size() * 4);  // no album page
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});
    ExpectReferers("/img/", h.sites.HomeB() + "t/nvshen/", true);

    // The viewer steps through an album by its cover.
    h.SetManual();
    ASSERT_TRUE(Done(b->OpenAlbum(1, false)));
    EXPECT_EQ(page.title.GetText(), h.sites.ListedTitle(Site::B, ids[1]));
    EXPECT_EQ(page.counter.GetText(), "1");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::B, ids[1], 1));
    for (int j = 2; j <= 4; ++j) ASSERT_TRUE(Done(b->Next()));
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::B, ids[1], 4));
    ASSERT_TRUE(Done(b->Next()));
    EXPECT_EQ(h.Messages().back(), "已经是最后一张了");
}

}  // namespace
}  // namespace dorvane::test

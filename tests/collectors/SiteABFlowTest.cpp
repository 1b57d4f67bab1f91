// Sites A and B end to end against the HTTPS fixture sites: setup with its follow-up threads, category,
// tag and page choice, the real worker, the viewer, and the request lines the server saw.
#include <gtest/gtest.h>

#include <regex>

#include "collectors/SiteA.h"
#include "collectors/SiteB.h"
#include "core/Numbers.h"
#include "core/SiteRoutines.h"
#include "text/Hash.h"

#include "CollectorHarness.h"

namespace dorvane::test {
namespace {

bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

FixtureOptions Guarded() {
    FixtureOptions options;
    options.requireReferer = true;  // a wrong Referer gets 403, and the file would come out empty
    return options;
}

class SiteABFlow : public ::testing::Test {
protected:
    void SetUp() override {
        a = sitea::Routines(lists);
        b = siteb::Routines(tag);
    }
    void Manual() {
        h.window.autoCollect.SetSelected(false);
        h.window.manualPreview.SetSelected(true);
    }
    std::vector<std::string> Lines(Site site) { return h.AlbumLines(site); }
    // Runs the routine as the window would (off its thread) and waits for it.
    void Run(const SiteRoutines::Routine& routine) { h.RunOnWorker(routine); }
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
    std::shared_ptr<sitea::Lists> lists = std::make_shared<sitea::Lists>();
    std::shared_ptr<SharedText> tag = std::make_shared<SharedText>();
    SiteRoutines a, b;
};

TEST_F(SiteABFlow, SiteASetupCategoriesPagesAndCollection) {
    auto& page = h.Page(Site::A);
    Run(a.pageLoader);
    // The menu, then the eighth category (all albums) loaded by a follow-up thread.
    std::vector<std::string> names;
    for (int i = 0; i < page.categories.ItemCount(); ++i) names.push_back(page.categories.ItemText(i));
    EXPECT_EQ(names, h.sites.CategoryNames());
    EXPECT_EQ(lists->categoryUrls.Snapshot(), h.sites.CategoryUrls());
    EXPECT_EQ(page.categories.Selection(), 7);
    ASSERT_TRUE(Eventually([&] { return lists->kind.load() == 3 && page.albums.ItemCount() > 0; }));
    ASSERT_TRUE(Eventually([&] { return RunningWorkerCount() == 0; }));
    EXPECT_FALSE(page.pages.IsVisible());
    EXPECT_EQ(State().albumUrls.Count(), page.albums.ItemCount());

    // The first category: its page count, then page 2 of its listing.
    page.categories.SetSelection(0);
    Run(a.categoryLoad);
    EXPECT_TRUE(page.pages.IsVisible());
    EXPECT_EQ(GbkToUtf8(page.pageCount.GetText()), "共7页 跳到：");
    EXPECT_EQ(h.PageItems(Site::A), Numbers(1, 7));
    EXPECT_EQ(lists->prefix.Get(), h.sites.HomeA() + "xinggan/page/");
    page.pages.SetSelection(1);
    h.sites.ClearRequests();
    Run(a.listingLoad);
    ASSERT_EQ(h.sites.Requests().size(), 1u);
    EXPECT_EQ(h.sites.Requests()[0].target, "/xinggan/page/2");
    const std::vector<int> ids = h.sites.Listing(Site::A, 2);
    std::vector<std::string> titles, urls;
    for (int id : ids)
        titles.push_back(h.sites.ListedTitle(Site::A, id)), urls.push_back(h.sites.AlbumUrl(Site::A, id));
    EXPECT_EQ(Lines(Site::A), titles);
    EXPECT_EQ(State().albumUrls.Snapshot(), urls);
    // A later page keeps the category's pattern.
    page.pages.SetSelection(2);
    Run(a.listingLoad);
    EXPECT_EQ(Lines(Site::A).size(), h.sites.Listing(Site::A, 3).size());
    page.pages.SetSelection(1);
    Run(a.listingLoad);

    h.sites.ClearRequests();
    Run(a.pageWorker);
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
    Run(a.pageLoader);
    ASSERT_TRUE(Eventually([&] { return RunningWorkerCount() == 0; }));

    // A title with colons and path parts stays one folder inside the output root.
    const int id = h.sites.Listing(Site::A, 1).at(0);
    h.sites.SetAlbum(Site::A, {id, "甜:美/../../逃出", {ImageKind::Jpeg}});
    page.categories.SetSelection(1);
    Run(a.categoryLoad);
    page.pages.SetSelection(0);
    Run(a.listingLoad);
    ASSERT_EQ(GbkToUtf8(page.albums.ItemText(0)), "甜:美/../../逃出");
    h.window.saveFolder.SetText((h.saveFolder / "x").string());
    Run(a.pageWorker);
    EXPECT_EQ(ReadBytes(h.saveFolder / "x/采集数据/甜美_.._.._逃出/1.jpg"),
              h.sites.ImageBytes(Site::A, id, 1));
    for (const auto& file : FilesBelow(h.base)) EXPECT_EQ(file.rfind("save/x/采集数据/", 0), 0u) << file;

    // The self-shot comment pages: one page more than the third link names; lines are comment numbers.
    page.categories.SetSelection(4);
    Run(a.categoryLoad);
    EXPECT_EQ(lists->kind.load(), 2);
    EXPECT_EQ(GbkToUtf8(page.pageCount.GetText()), "共7页 跳到：");
    page.pages.SetSelection(1);
    Run(a.listingLoad);
    const auto numbers = h.sites.CommentNumbers(true, 2);
    const auto images = h.sites.CommentImageUrls(true, 2);
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(Lines(Site::A), numbers);
    EXPECT_EQ(State().albumUrls.Snapshot(), images);
    Run(a.pageWorker);
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
    Run(a.pageLoader);
    ASSERT_TRUE(Eventually([&] { return RunningWorkerCount() == 0 && page.albums.ItemCount() > 1; }));
    Manual();
    page.albums.SetSelection(1);
    Run(a.albumOpen);
    ASSERT_EQ(State().viewerImageCount.load(), 4);
    const TextList images = State().viewerImages.Snapshot();
    EXPECT_EQ(page.counter.GetText(), "1");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytesAt(images.at(0)));
    Run(a.next);
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytesAt(images.at(1)));

    // A stop while an image is on its way: nothing is written under its name, and nothing after it.
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
    auto worker = h.StartOnWorker(a.pageWorker);
    ASSERT_TRUE(Eventually([&] { return gate->served == 3; }));
    worker->RequestStop();
    ASSERT_TRUE(worker->WaitFinished(std::chrono::seconds(20)));
    gate->release = true;
    const auto files = FilesBelow(h.OutputRoot());
    EXPECT_EQ(files.size(), 2u);
    for (const auto& file : files) EXPECT_FALSE(file.ends_with("3.jpg")) << file;
    EXPECT_TRUE(h.Messages().empty());
}

TEST_F(SiteABFlow, SiteBTagsPagesCollectionAndViewer) {
    auto& page = h.Page(Site::B);
    h.sites.SetTagAlbumCount(1, 29);
    h.sites.SetTagAlbumCount(2, 0);
    Run(b.pageLoader);
    // Tag 0 reports 125 albums: three pages; page 1 is the tag address itself.
    ASSERT_TRUE(Eventually([&] { return RunningWorkerCount() == 0 && page.albums.ItemCount() > 0; }));
    std::vector<std::string> tags;
    for (int i = 0; i < page.categories.ItemCount(); ++i) tags.push_back(page.categories.ItemText(i));
    EXPECT_EQ(tags, (std::vector<std::string>{h.sites.TagName(0), h.sites.TagName(1), h.sites.TagName(2)}));
    EXPECT_EQ(GbkToUtf8(page.pageCount.GetText()), "共3页 跳到：");
    EXPECT_EQ(h.PageItems(Site::B), Numbers(1, 3));
    const std::string tag0 = h.sites.TagUrl(0);
    EXPECT_EQ(tag->Get(), tag0);
    const std::vector<int> ids = h.sites.Listing(Site::B, 1);
    std::vector<std::string> covers, counts;
    for (int id : ids) covers.push_back(h.sites.ImageUrl(Site::B, id, 0)), counts.push_back("4");
    EXPECT_EQ(State().albumUrls.Snapshot(), covers);
    EXPECT_EQ(State().albumImageCounts.Snapshot(), counts);

    // Page 2 of the tag, then tags of one page and of none.
    h.sites.ClearRequests();
    page.pages.SetSelection(1);
    Run(b.listingLoad);
    ASSERT_EQ(h.sites.Requests().size(), 1u);
    EXPECT_EQ("https://" + h.sites.TlsHost() + h.sites.Requests()[0].target, tag0 + "2.html");
    EXPECT_EQ(State().albumImageCounts.Count(), static_cast<int>(h.sites.Listing(Site::B, 2).size()));
    for (int tag : {1, 2}) {
        page.categories.SetSelection(tag);
        Run(b.categoryLoad);
        ASSERT_TRUE(Eventually([&] { return RunningWorkerCount() == 0; }));
        EXPECT_EQ(h.PageItems(Site::B).size(), tag == 1 ? 1u : 0u) << tag;
        EXPECT_EQ(State().albumUrls.Count(), page.albums.ItemCount());
    }
    EXPECT_EQ(tag->Get(), h.sites.TagUrl(1));
    EXPECT_GT(page.albums.ItemCount(), 0);  // the tag of no page lists its own address

    // Back to tag 0, page 1, and collect it.
    page.categories.SetSelection(0);
    Run(b.categoryLoad);
    ASSERT_TRUE(Eventually([&] { return RunningWorkerCount() == 0 && page.albums.ItemCount() > 0; }));
    h.sites.ClearRequests();
    Run(b.pageWorker);
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
    Manual();
    page.albums.SetSelection(1);
    Run(b.albumOpen);
    EXPECT_EQ(page.title.GetText(), h.sites.ListedTitle(Site::B, ids[1]));
    EXPECT_EQ(page.counter.GetText(), "1");
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::B, ids[1], 1));
    for (int j = 2; j <= 4; ++j) Run(b.next);
    EXPECT_EQ(page.preview.GetPicture(), h.sites.ImageBytes(Site::B, ids[1], 4));
    Run(b.next);
    EXPECT_EQ(h.Messages().back(), "已经是最后一张了");
}

}  // namespace
}  // namespace dorvane::test

// What replaces what among a page's requests while a listing is slow to come: a collection started at
// once after a new choice collects the new listing, and a newer choice stops an older one that is still
// fetching.
#include <gtest/gtest.h>

#include <optional>

#include "support/CollectorHarness.h"
#include "support/HeldRequest.h"

namespace dorvane::test {
namespace {

std::string Path(const std::string& url) { return url.substr(url.find('/', std::string("https://").size())); }

class PageRequests : public ::testing::Test {
protected:
    void TearDown() override {
        if (gate) gate->Release();
        h.sites.SetPageHook(nullptr);
    }
    std::vector<std::string> Titles(int page) {
        std::vector<std::string> titles;
        for (int id : h.sites.Listing(Site::B, page)) titles.push_back(h.sites.ListedTitle(Site::B, id));
        return titles;
    }
    // Tag `tag`'s first listing page is held: its address is asked once for the count, then for the list.
    void HoldListingOf(int tag) {
        gate.emplace();
        h.sites.SetPageHook(gate->Hook(Path(h.sites.TagUrl(tag)), 2));
    }

    CollectorHarness h{FixtureOptions{.pageCount = 3, .albumsPerPage = 2, .imagesPerAlbum = 2}};
    std::unique_ptr<SitePageSession> session = h.Session(Site::B);
    std::optional<HeldRequest> gate;
};

TEST_F(PageRequests, CollectionStartedAtOnceAfterANewTagCollectsThatTag) {
    // The page shows listing page 2 of the first tag; the second tag lists page 1.
    ASSERT_TRUE(Done(session->Enter()));
    ASSERT_TRUE(Done(session->ChoosePage(1)));
    ASSERT_EQ(h.AlbumLines(Site::B), Titles(2));
    HoldListingOf(1);
    auto chosen = session->ChooseMenu(1);
    ASSERT_NE(chosen, nullptr);
    auto collection = h.StartOnWorker([&](MainControls&) { session->Collect(); });
    ASSERT_NE(collection, nullptr);
    ASSERT_TRUE(gate->WaitReached());
    // The collection waits for the listing the user asked for before it.
    EXPECT_FALSE(collection->WaitFinished(std::chrono::milliseconds(300)));
    EXPECT_TRUE(h.Messages().empty());
    gate->Release();
    ASSERT_TRUE(Done(chosen));
    ASSERT_TRUE(Done(collection));

    std::vector<std::string> expected;
    for (int id : h.sites.Listing(Site::B, 1)) {
        for (int j = 1; j <= 2; ++j) {
            const fs::path file = h.AlbumFolder(Site::B, id) / (std::to_string(j) + ".jpg");
            EXPECT_EQ(ReadBytes(file), h.sites.ImageBytes(Site::B, id, j)) << file;
            expected.push_back(fs::relative(file, h.base).string());
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesBelow(h.base), expected);
    EXPECT_EQ(h.AlbumLines(Site::B), Titles(1));
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});
}

TEST_F(PageRequests, NewerTagStopsAnOlderOneStillFetching) {
    ASSERT_TRUE(Done(session->Enter()));
    HoldListingOf(1);
    auto older = session->ChooseMenu(1);
    ASSERT_NE(older, nullptr);
    ASSERT_TRUE(gate->WaitReached());
    auto newer = session->ChooseMenu(2);
    // The older one's transfer is cut short: it ends while the server still holds its listing, so that
    // listing can never reach the list box; the lines are the newer tag's, once.
    ASSERT_TRUE(Done(older));
    ASSERT_TRUE(Done(newer));
    EXPECT_EQ(h.AlbumLines(Site::B), Titles(1));
    EXPECT_EQ(session->Listing().source.base, h.sites.TagUrl(2));
    EXPECT_EQ(h.Urls(*session).size(), Titles(1).size());
}

}  // namespace
}  // namespace dorvane::test

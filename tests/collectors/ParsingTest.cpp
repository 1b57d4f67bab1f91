// The plain page-to-data functions of Sites C, D and E, fed with the fixture's pages in the form the
// fetchers hand them over (Site C and D pages converted from UTF-8 to GBK, Site E pages as served).
#include <gtest/gtest.h>

#include "collectors/Listing.h"
#include "collectors/SiteC.h"
#include "collectors/SiteD.h"
#include "collectors/SiteE.h"
#include "core/CodePage.h"
#include "support/FixtureSites.h"

namespace dorvane::test {
namespace {

Text G(const char* utf8) { return Utf8ToGbkText(utf8); }

struct PageCountCase {
    Site site;
    int pages;
    const char* expected;
};

TEST(CollectorParsing, PageNumberOfEachSiteFromItsFirstPage) {
    const PageCountCase cases[] = {
        {Site::C, 1, "1"}, {Site::C, 7, "7"}, {Site::C, 12, "12"}, {Site::C, 123, "123"},
        {Site::C, 0, ""},  {Site::D, 2, "2"}, {Site::D, 7, "7"},   {Site::D, 31, "31"},
        {Site::D, 0, ""},  {Site::E, 1, "1"}, {Site::E, 6, "6"},   {Site::E, 250, "250"},
        {Site::E, 0, ""},
    };
    for (const auto& c : cases) {
        FixtureSites sites;
        sites.SetPageCount(c.site, c.pages);
        Text number;
        switch (c.site) {
            case Site::C:
                number = sitec::Parts().pageNumberText(Utf8ToGbkText(sites.Body("/photo/index/2")));
                break;
            case Site::D:
                number = sited::Parts().pageNumberText(Utf8ToGbkText(sites.Body("/dmmt")));
                break;
            default:
                number = sitee::Parts().pageNumberText(sites.Body("/meituxinshang/p1.html"));
                break;
        }
        EXPECT_EQ(number, c.expected) << "site " << static_cast<int>(c.site) << ", " << c.pages << " pages";
    }
}

TEST(CollectorParsing, PageCountsFromPageNumberTexts) {
    struct Case {
        const char* number;
        int pages;
    } const cases[] = {{"7", 7},  {"", 0},     {"abc", 0}, {"12.7", 12},
                       {"3abc", 3}, {"-4", 0}, {"0x10", 0}, {"1e3", 1},
                       {"99999999999", kMaxListingPages}};
    for (const auto& c : cases) EXPECT_EQ(PageCountFromText(c.number), c.pages) << c.number;
}

TEST(CollectorParsing, SiteCTitleReferencesDecoded) {
    struct Case {
        const char* raw;
        const char* listedUtf8;
    } const cases[] = {
        {"&#x4e2d;&#x6587;", "中文"},   {"&#x6625;&#x65E5; No.3", "春日 No.3"},
        {"Plain title", "Plain title"}, {"Cos;play", "Cosplay"},
        {"&#x4e2d;;X", "中X"},          {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(sitec::DecodeTitle(c.raw), G(c.listedUtf8)) << c.raw;
}

TEST(CollectorParsing, SiteCListingTitlesAndAddresses) {
    FixtureSites sites;
    sites.SetAlbum(Site::C, {2, "Cos;play 春", {ImageKind::Jpeg}});
    const AlbumEntries albums =
        sitec::Parts().parseListing(Utf8ToGbkText(sites.Body("/photo/index/2-0-1")), "http://h:1");
    ASSERT_EQ(albums.size(), 3u);
    for (int id = 1; id <= 3; ++id) {
        EXPECT_EQ(albums[static_cast<size_t>(id - 1)].title, sites.ListedTitle(Site::C, id));
        EXPECT_EQ(albums[static_cast<size_t>(id - 1)].url,
                  "http://h:1/photo/c/" + std::to_string(id) + ".html");
    }
    EXPECT_EQ(albums[1].title, G("Cosplay 春"));
}

TEST(CollectorParsing, SiteDAndETitlesTakenAsMatched) {
    FixtureSites sites;
    sites.SetAlbum(Site::D, {1, "&#x4e2d; ref;s", {}});
    sites.SetAlbum(Site::E, {4, "漫图 &#x4e2d;", {}});
    const AlbumEntries d = sited::Parts().parseListing(Utf8ToGbkText(sites.Body("/dmmt/page/1")), {});
    const AlbumEntries e = sitee::Parts().parseListing(sites.Body("/meituxinshang/p2.html"), {});
    ASSERT_EQ(d.size(), 3u);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(d[0].title, "&#x4e2d; ref;s");
    EXPECT_EQ(d[0].url, sites.AlbumUrl(Site::D, 1));
    EXPECT_EQ(d[2].title, sites.ListedTitle(Site::D, 3));
    EXPECT_EQ(e[0].title, G("漫图 &#x4e2d;"));
    EXPECT_EQ(e[0].url, sites.AlbumUrl(Site::E, 4));
}

TEST(CollectorParsing, SiteEListingWithAndWithoutMetaCharset) {
    for (bool meta : {true, false}) {
        FixtureSites sites;
        sites.SetSiteEMetaCharset(meta);
        const std::string body = sites.Body("/meituxinshang/p1.html");
        EXPECT_EQ(body.find("charset") != std::string::npos, meta);
        const AlbumEntries e = sitee::Parts().parseListing(body, {});
        ASSERT_EQ(e.size(), 3u);
        EXPECT_EQ(e[1].title, sites.ListedTitle(Site::E, 2));
    }
}

TEST(CollectorParsing, SiteCViewerKeepsTheResizeSuffixAndTheWorkerCutsIt) {
    FixtureSites sites;
    const Text page = Utf8ToGbkText(sites.Body("/photo/c/5.html"));
    const TextList viewer = sitec::Parts().viewerImageLinks(page);
    const TextList worker = sitec::Parts().workerImageLinks(page);
    ASSERT_EQ(viewer.size(), 4u);
    ASSERT_EQ(worker.size(), 4u);
    for (int j = 1; j <= 4; ++j) {
        EXPECT_EQ(worker[static_cast<size_t>(j - 1)], sites.ImageUrl(Site::C, 5, j));
        EXPECT_EQ(viewer[static_cast<size_t>(j - 1)],
                  sites.ImageUrl(Site::C, 5, j) + FixtureSites::ResizeSuffix());
    }
}

TEST(CollectorParsing, ImageLinksOfDAndEAlbumPages) {
    FixtureSites sites;
    sites.SetAlbum(Site::E, {9, "png first", {ImageKind::Png, ImageKind::Jpeg, ImageKind::Jpeg}});
    const TextList d = sited::Parts().viewerImageLinks(Utf8ToGbkText(sites.Body("/dmmt/3.html")));
    const TextList e = sitee::Parts().viewerImageLinks(sites.Body("/meituxinshang/a9.html"));
    ASSERT_EQ(d.size(), 4u);
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(d[static_cast<size_t>(j - 1)], sites.ImageUrl(Site::D, 3, j));
    // The PNG link's piece runs on to the next "jpg" and is then too long to be taken.
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0], sites.ImageUrl(Site::E, 9, 2));
    EXPECT_EQ(e[1], sites.ImageUrl(Site::E, 9, 3));
}

// A link whose length with the appended "jpg" is `length` bytes.
Text LinkOfLength(size_t length) { return "http://x/" + std::string(length - 9 - 4, 'a') + ".jpg"; }

TEST(CollectorParsing, DAndELinksOfOneHundredBytesAreDropped) {
    struct Case {
        size_t length;
        bool kept;
    } const cases[] = {{40, true}, {98, true}, {99, true}, {100, false}, {101, false}, {300, false}};
    for (const auto& c : cases) {
        const Text link = LinkOfLength(c.length);
        ASSERT_EQ(link.size(), c.length);
        const Text d = G("<p>12 浏览</span><img src=\"") + link + "\" alt=\"t\">" + G("<span>分享到</span>");
        const Text e =
            "<div class=\"news_content_con\"><img src=\"" + link + "\" alt=\"\">" + G("<span>标签：</span>");
        const TextList expected = c.kept ? TextList{link} : TextList{};
        EXPECT_EQ(sited::Parts().viewerImageLinks(d), expected) << c.length;
        EXPECT_EQ(sitee::Parts().viewerImageLinks(e), expected) << c.length;
    }
}

TEST(CollectorParsing, MissingMarkersGiveNothing) {
    const Text garbage = "<html><body>maintenance</body></html>";
    EXPECT_EQ(sitec::Parts().pageNumberText(garbage), "");
    EXPECT_EQ(sited::Parts().pageNumberText(garbage), "");
    EXPECT_EQ(sitee::Parts().pageNumberText(garbage), "");
    EXPECT_TRUE(sitec::Parts().parseListing(garbage, "http://h").empty());
    EXPECT_TRUE(sited::Parts().parseListing(garbage, {}).empty());
    EXPECT_TRUE(sitee::Parts().parseListing(garbage, {}).empty());
    EXPECT_TRUE(sitec::Parts().viewerImageLinks(garbage).empty());
    EXPECT_TRUE(sitec::Parts().workerImageLinks(garbage).empty());
    EXPECT_TRUE(sited::Parts().viewerImageLinks(garbage).empty());
    EXPECT_TRUE(sitee::Parts().viewerImageLinks(garbage).empty());
    // Image links outside the section do not count.
    EXPECT_TRUE(
        sitec::Parts().workerImageLinks(std::string("<img src=\"http://x/1.jpg") + FixtureSites::ResizeSuffix())
            .empty());
}

}  // namespace
}  // namespace dorvane::test

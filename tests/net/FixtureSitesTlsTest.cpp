// The HTTPS fixture sites (A and B) answer the markers and patterns their collectors cut pages with, and
// guard their images by Referer. The collectors' own tests go through these pages end to end; these cases
// keep the fixture honest on its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CodePage.h"
#include "net/HttpFetch.h"
#include "net/HttpObjectFetch.h"
#include "support/FixtureSites.h"
#include "text/Markers.h"
#include "text/RegexObject.h"

namespace dorvane {
namespace {

using test::FixtureAlbum;
using test::FixtureOptions;
using test::FixtureSites;
using test::ImageKind;

using Groups = std::vector<std::vector<std::string>>;

// Every match of the pattern in the GBK page: its groups 1 ... groupCount.
Groups Matches(const std::string& pattern, const std::string& gbkPage, int groupCount, bool caseSensitive) {
    RegexObject regex;
    EXPECT_TRUE(regex.Search(Utf8ToGbkText(pattern), gbkPage, caseSensitive));
    Groups groups;
    for (int i = 1; i <= regex.MatchCount(); ++i) {
        std::vector<std::string> match;
        for (int g = 1; g <= groupCount; ++g) match.push_back(regex.SubMatchText(i, g));
        groups.push_back(match);
    }
    return groups;
}

std::string GbkBody(const FixtureSites& sites, const std::string& path) {
    return Utf8ToGbkText(sites.Body(path));
}

TEST(FixtureSitesTls, HomePageMenuAndTagsOverHttps) {
    FixtureSites sites;
    ASSERT_TRUE(sites.Start());
    const std::string home = HttpFetch(sites.HomeA());
    ASSERT_FALSE(home.empty());

    const std::string menu =
        TextBetween(home, Utf8ToGbkText(">首页</a></li>"), Utf8ToGbkText("搜一搜，看一看"), 1, true);
    Groups expectedMenu;
    for (size_t k = 0; k < sites.CategoryNames().size(); ++k)
        expectedMenu.push_back({sites.CategoryUrls()[k], sites.CategoryNames()[k]});
    EXPECT_EQ(Matches(R"re(href="(\S*?)">(\S*?)</a></li>)re", menu, 2, true), expectedMenu);
    EXPECT_EQ(expectedMenu.size(), 8u);

    const std::string tags = TextBetween(home, R"(<ul id="tag_ul">)", "</ul>");
    Groups expectedTags;
    for (int tag = 0; tag < FixtureSites::kTagCount; ++tag)
        expectedTags.push_back({sites.TagUrl(tag), sites.TagName(tag)});
    EXPECT_EQ(Matches(R"re(<li><a href="([\s\S]*?)">([\s\S]*?)</a></li>)re", tags, 2, false), expectedTags);
    EXPECT_EQ(sites.TagUrl(0), sites.HomeB() + "t/nvshen/");
}

TEST(FixtureSitesTls, SiteAPageCountsForEveryCount) {
    for (int pages : {1, 2, 3, 4, 7}) {
        SCOPED_TRACE(pages);
        FixtureSites sites({.pageCount = pages});
        const std::string pattern = R"re(href='(\S*?)'>(\S*?)</a>)re";
        const Groups albumLinks = Matches(pattern, GbkBody(sites, "/japan/"), 2, true);
        ASSERT_GE(albumLinks.size(), 4u);
        EXPECT_EQ(albumLinks[3][1], std::to_string(pages));
        const Groups commentLinks = Matches(pattern, GbkBody(sites, "/zipai/"), 2, true);
        const int commentPages = (commentLinks.size() >= 3 ? std::stoi(commentLinks[2][1]) : 0) + 1;
        EXPECT_EQ(commentPages, pages);
    }
}

TEST(FixtureSitesTls, SiteAListings) {
    FixtureSites sites({.pageCount = 3, .albumsPerPage = 2});
    sites.SetAlbum(Site::A, {.id = 10003, .titleUtf8 = "标题:带冒号", .images = {ImageKind::Jpeg}});

    Groups expected;
    for (int id : sites.Listing(Site::A, 2))
        expected.push_back({sites.AlbumUrl(Site::A, id), sites.ListedTitle(Site::A, id)});
    EXPECT_EQ(Matches(R"re(/></a><span><a href="([\s\S]*?)" target="_blank">([\s\S]*?)</a></span><span)re",
                      GbkBody(sites, "/xinggan/page/2"), 2, true),
              expected);
    // Later pages read with the all-albums pattern give the same entries.
    EXPECT_EQ(Matches(R"re(<a href="(\S*?)" target="_blank">(\S*?)</a>)re", GbkBody(sites, "/xinggan/page/2"),
                      2, true),
              expected);

    Groups all;
    for (int page = 1; page <= 3; ++page) {
        for (int id : sites.Listing(Site::A, page))
            all.push_back({sites.AlbumUrl(Site::A, id), sites.ListedTitle(Site::A, id)});
    }
    EXPECT_EQ(Matches(R"re(<a href="(\S*?)" target="_blank">(\S*?)</a>)re", GbkBody(sites, "/hot/"), 2, true),
              all);

    const std::string comments = GbkBody(sites, "/jiepai/comment-page-2");
    Groups images;
    for (const std::string& url : sites.CommentImageUrls(false, 2)) images.push_back({url});
    EXPECT_EQ(Matches(R"re( data-original="(\S*?)" width)re", comments, 1, true), images);
    TextList numbers;
    TextBetweenAll(comments, R"(id="comment-)", R"(">)", numbers, false, 20);
    EXPECT_EQ(numbers, sites.CommentNumbers(false, 2));
    EXPECT_NE(sites.CommentNumbers(false, 2), sites.CommentNumbers(true, 2));
}

TEST(FixtureSitesTls, SiteAAlbumPagesNameCountAndImages) {
    FixtureSites sites;
    sites.SetAlbum(Site::A, {.id = 10050, .titleUtf8 = "空", .images = {}});
    sites.SetAlbum(Site::A, {.id = 10051, .titleUtf8 = "一张", .images = {ImageKind::Jpeg}});
    for (auto [id, count] : {std::pair{10050, 0}, {10051, 1}, {10001, 4}}) {
        SCOPED_TRACE(id);
        const std::string url = sites.AlbumUrl(Site::A, id);
        const std::string first = GbkBody(sites, "/" + std::to_string(id));
        const std::string pager = TextBetween(first, Utf8ToGbkText("…</span><a href='"), "><span>", 1, true);
        EXPECT_EQ(TextBetween(pager, url + "/", "'", 1, true), count == 0 ? "" : std::to_string(count));
        for (int j = 1; j <= count; ++j) {
            const std::string page = GbkBody(sites, "/" + std::to_string(id) + "/" + std::to_string(j));
            EXPECT_EQ(TextBetween(page, R"(><img src=")", R"(" alt)", 1, true),
                      sites.ImageUrl(Site::A, id, j));
        }
    }
    EXPECT_EQ(sites.AlbumUrl(Site::A, 10001), sites.HomeA() + "10001");
}

TEST(FixtureSitesTls, SiteBTagListing) {
    FixtureSites sites({.albumsPerPage = 2, .imagesPerAlbum = 3});
    sites.SetTagAlbumCount(1, 150);
    sites.SetListing(Site::B, 2, {20020, 20031});
    const std::string page = GbkBody(sites, "/t/xinggan/2.html");
    EXPECT_EQ(Matches(R"re(<center><div id="pages" class="text-c"><a class="a1">([\s\S]*?)条</a>)re", page, 1,
                      false),
              Groups{{"150"}});
    Groups expected;
    for (int id : {20020, 20031})
        expected.push_back({sites.ImageUrl(Site::B, id, 0), sites.ListedTitle(Site::B, id), "3"});
    EXPECT_EQ(
        Matches(
            R"re(target="_blank"><img src="([\s\S]*?)" alt="([\s\S]*?)" width="220" height="300"/></a>\s+<p>图片： ([\s\S]*?) 张</p>)re",
            page, 3, false),
        expected);
    EXPECT_EQ(sites.ImageUrl(Site::B, 20020, 0), sites.HomeB() + "img/b/20020/0.jpg");
}

TEST(FixtureSitesTls, ImagesNeedTheSiteReferer) {
    FixtureSites sites({.requireReferer = true});
    ASSERT_TRUE(sites.Start());
    struct Case {
        std::string url;
        std::string referer;
        int status;
        std::string bytes;
    };
    const std::string refererA = "Referer: " + sites.HomeA();
    const std::string refererB = "Referer: " + sites.HomeB() + "t/nvshen/";
    const std::string comment = sites.CommentImageUrls(true, 1)[0];
    const Case cases[] = {
        {sites.ImageUrl(Site::A, 10002, 3), refererA, 200, sites.ImageBytes(Site::A, 10002, 3)},
        {sites.ImageUrl(Site::A, 10002, 3), refererB, 403, ""},
        {sites.ImageUrl(Site::A, 10002, 3), "", 403, ""},
        {comment, refererA, 200, sites.ImageBytesAt(comment)},
        {sites.ImageUrl(Site::B, 20001, 4), refererB, 200, sites.ImageBytes(Site::B, 20001, 4)},
        {sites.ImageUrl(Site::B, 20001, 4), refererA, 403, ""},
        {sites.ImageUrl(Site::B, 20001, 5), refererB, 404, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url + " " + c.referer);
        int status = 0;
        Text headers = c.referer;
        const Bytes bytes = HttpObjectFetch(c.url, 0, {}, std::nullopt, {}, headers, {}, status);
        EXPECT_EQ(status, c.status);
        if (c.status == 200) {
            EXPECT_EQ(bytes, c.bytes);
        }
    }
    EXPECT_FALSE(sites.ImageBytesAt(comment).empty());
    EXPECT_EQ(sites.ImageBytesAt(sites.ImageUrl(Site::C, 1, 1)), sites.ImageBytes(Site::C, 1, 1));
    const auto logged = sites.RequestsTo("/img/a/10002/3.jpg");
    ASSERT_EQ(logged.size(), 3u);
    EXPECT_TRUE(logged[0].secure);
    EXPECT_EQ(logged[0].Header("Referer"), sites.HomeA());
}

}  // namespace
}  // namespace dorvane

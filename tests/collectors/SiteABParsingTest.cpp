// The page-to-data functions of Sites A and B on hand-made pages in GBK, as the routines hand them over.
#include <gtest/gtest.h>

#include "collectors/SiteA.h"
#include "collectors/SiteB.h"
#include "core/CodePage.h"

namespace dorvane::test {
namespace {

Text G(const std::string& utf8) { return Utf8ToGbkText(utf8); }

TEST(SiteABParsing, SiteAMenuCategoriesAndPageCounts) {
    const Text homeA = sitea::Home("a.test");
    EXPECT_EQ(homeA, "https://a.test/");
    EXPECT_EQ(sitea::ImageHeaders(homeA), "Referer: https://a.test/");
    const Text home =
        G(R"(<li><a href="https://a.test/">首页</a></li><li><a href="https://a.test/xinggan/">性感</a></li>)"
          R"(<li><a href="https://a.test/all/">全部</a></li></ul><input value="搜一搜，看一看">)"
          R"(<li><a href="https://a.test/after/">搜索后</a></li>)");
    const AlbumEntries menu = sitea::ParseMenu(home);
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].title, G("性感"));
    EXPECT_EQ(menu[0].url, "https://a.test/xinggan/");
    EXPECT_EQ(menu[1].url, "https://a.test/all/");

    const struct {
        int position;
        const char* prefix;
        sitea::ListKind kind;
    } choices[] = {{1, "https://a.test/xinggan/page/", sitea::kAlbumPages},
                   {3, "https://a.test/taiwan/page/", sitea::kAlbumPages},
                   {4, "https://a.test/mm/page/", sitea::kAlbumPages},
                   {5, "https://a.test/zipai/comment-page-", sitea::kCommentPages},
                   {6, "https://a.test/jiepai/comment-page-", sitea::kCommentPages},
                   {7, "https://a.test/all/", sitea::kAllAlbums},
                   {12, "https://a.test/all/", sitea::kAllAlbums},
                   {0, "", sitea::kNoList}};
    for (const auto& c : choices) {
        const sitea::CategoryChoice choice = sitea::ChooseCategory(homeA, c.position);
        EXPECT_EQ(choice.prefix, c.prefix) << c.position;
        EXPECT_EQ(choice.kind, c.kind) << c.position;
    }
    EXPECT_EQ(sitea::CommentFolderName(homeA, "https://a.test/zipai/comment-page-"), G("妹子自拍"));
    EXPECT_EQ(sitea::CommentFolderName(homeA, "https://a.test/jiepai/comment-page-"), G("街拍美女"));

    const std::string links = "<a href='p1'>1</a><a href='p2'>2</a><a href='p3'>3</a><a href='p9'>9</a>";
    const struct {
        std::string page;
        const char* albumPages;
        int commentPages;
    } pagers[] = {{links, "9", 4},
                  {"<a href='p1'>1</a><a href='p2'>2</a>", "", 1},
                  {"", "", 1},
                  {"<a href='x'>a</a><a href='y'>b</a><a href='z'>99999999999</a>", "", 100000}};
    for (const auto& c : pagers) {
        EXPECT_EQ(sitea::AlbumPageCountText(c.page), c.albumPages) << c.page;
        EXPECT_EQ(sitea::CommentPageCount(c.page), c.commentPages) << c.page;
    }
}

TEST(SiteABParsing, SiteAListingsOfEachKind) {
    const Text albums = G(
        R"(<a href="u0"><img/></a><span><a href="https://a.test/101" target="_blank">甜美: 女孩</a></span><span>)"
        R"(<a href="u1"><img/></a><span><a href="https://a.test/102" target="_blank">第二</a></span><span>)");
    AlbumEntries listed = sitea::ParseListing(albums, sitea::kAlbumPages);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].title, G("甜美: 女孩"));
    EXPECT_EQ(listed[1].url, "https://a.test/102");

    const Text all = G(
        R"(<a href="https://a.test/201" target="_blank">第一期</a><a href="https://a.test/202" target="_blank">X</a>)");
    listed = sitea::ParseListing(all, sitea::kAllAlbums);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].title, G("第一期"));
    EXPECT_EQ(listed[1].url, "https://a.test/202");
    // Patterns are case-sensitive on this site.
    EXPECT_TRUE(sitea::ParseListing(R"(<A HREF="u" TARGET="_blank">t</A>)", sitea::kAllAlbums).empty());

    // Comment pages: numbers shorter than 20 characters, images by their data-original address; an image
    // left without a number is named by its match number.
    const Text comments =
        R"(<div id="comment-form-wrapper-and-more"><li id="comment-3101"><img data-original="https://i/1.jpg" width=1>)"
        R"(<li id="comment-3102"><img data-original="https://i/2.jpg" width=1><img data-original="https://i/3.jpg" width=1>)";
    listed = sitea::ParseListing(comments, sitea::kCommentPages);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].title, "3101");
    EXPECT_EQ(listed[0].url, "https://i/1.jpg");
    EXPECT_EQ(listed[1].title, "3102");
    EXPECT_EQ(listed[2].title, "3");
    EXPECT_EQ(listed[2].url, "https://i/3.jpg");
}

TEST(SiteABParsing, SiteAAlbumPages) {
    const std::string url = "https://a.test/101";
    const struct {
        std::string page;
        int count;
    } pagers[] = {
        {"<span class='dots'>…</span><a href='" + url + "/37'><span>37</span></a>", 37},
        {"<SPAN>…</SPAN><A HREF='" + url + "/5'><span>", 5},         // markers ignore letter case
        {"<span>…</span><a href='https://a.test/999/8'><span>", 0},  // another album's pager
        {"<span>…</span><a href='" + url + "/x'><span>", 0},
        {"no pager", 0},
    };
    for (const auto& c : pagers) EXPECT_EQ(sitea::ImageCount(G(c.page), url), c.count) << c.page;
    EXPECT_EQ(sitea::ImageAddress(R"(<a href='n'><img src="https://i/a.jpg" alt="t"></a>)"),
              "https://i/a.jpg");
    EXPECT_EQ(sitea::ImageAddress("<p>none</p>"), "");
    EXPECT_EQ(sitea::FolderTitle(G("a:b：c::d")), G("ab：cd"));
}

TEST(SiteABParsing, SiteBTagsCountsPagesAndListings) {
    EXPECT_EQ(siteb::ImageHeaders(siteb::Home("b.test:8443")), "Referer: https://b.test:8443/t/nvshen/");
    const Text home = G(
        R"(<ul id="nav"><li><a href="x">不是标签</a></li></ul><ul id="tag_ul"><li><a href="https://b.test:8443/t/nvshen/">女神</a></li>)"
        R"(<li><a href="https://b.test:8443/t/meitui/">美腿</a></li></ul>)");
    const AlbumEntries tags = siteb::ParseTags(home);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].title, G("女神"));
    EXPECT_EQ(tags[1].url, "https://b.test:8443/t/meitui/");

    EXPECT_EQ(siteb::AlbumCount(G(R"(<center><div id="pages" class="text-c"><a class="a1">125条</a>)")), 125);
    EXPECT_EQ(siteb::AlbumCount(G(R"(<center><div id="pages" class="text-c"><a class="a1">很多条</a>)")), 0);
    EXPECT_EQ(siteb::AlbumCount("nothing"), 0);
    const std::pair<int, int> pages[] = {{125, 3}, {150, 3}, {120, 2}, {29, 1},
                                         {1, 1},   {0, 0},   {-5, 0},  {2147483647, 100000}};
    for (const auto& [albums, expected] : pages) EXPECT_EQ(siteb::PageCount(albums), expected) << albums;

    EXPECT_EQ(siteb::ListingUrl("https://b.test/t/x/", "1"), "https://b.test/t/x/");
    EXPECT_EQ(siteb::ListingUrl("https://b.test/t/x/", "2"), "https://b.test/t/x/2.html");

    const Text listing = G(
        "<a href=\"g/1/\" target=\"_blank\"><img src=\"https://b.test/img/1/0.jpg\" alt=\"标题 一\" "
        "width=\"220\" "
        "height=\"300\"/></a>\n  <p>图片： 12 张</p>"
        "<a href=\"g/2/\" target=\"_blank\"><img src=\"https://b.test/img/2/0.jpg\" alt=\"二\" width=\"220\" "
        "height=\"300\"/></a><p>图片： 3 张</p>");
    const AlbumEntries albums = siteb::ParseListing(listing);
    ASSERT_EQ(albums.size(), 1u);  // the second entry has no blank before its count line
    EXPECT_EQ(albums[0].title, G("标题 一"));
    EXPECT_EQ(albums[0].url, "https://b.test/img/1/0.jpg");
    EXPECT_EQ(albums[0].imageCount, "12");
}

}  // namespace
}  // namespace dorvane::test

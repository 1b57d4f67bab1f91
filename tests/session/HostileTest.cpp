// Pages and servers that misbehave: titles that try to leave the output folder, huge listings, empty
// albums, dead image links, connections dropped mid-image. Nothing may crash or land outside OutputRoot.
#include <gtest/gtest.h>

#include <set>

#include "support/CollectorHarness.h"

namespace dorvane::test {
namespace {

bool Inside(const fs::path& file, const fs::path& folder) {
    const fs::path relative = fs::relative(fs::weakly_canonical(file), fs::weakly_canonical(folder));
    return !relative.empty() && *relative.begin() != "..";
}

TEST(CollectorHostile, TitlesNeverLeadOutsideTheOutputRoot) {
    // ("." is left out: it and ".." both become a plain name and would rightly share one folder.)
    const char* titles[] = {"../escaped", "../../escaped2", "a/b/c", "..", "/abs", "..\\win", "x/../../y"};
    for (Site site : {Site::C, Site::D, Site::E}) {
        CollectorHarness h({.pageCount = 1, .albumsPerPage = 0, .imagesPerAlbum = 2});
        std::vector<int> ids;
        for (int k = 0; k < static_cast<int>(std::size(titles)); ++k) {
            h.sites.SetAlbum(site, {k + 1, titles[k], {ImageKind::Jpeg}});
            ids.push_back(k + 1);
        }
        h.sites.SetListing(site, 1, ids);
        auto session = h.Session(site);
        ASSERT_TRUE(Done(session->Enter()));
        ASSERT_EQ(h.AlbumLines(site).size(), std::size(titles)) << SiteName(site);
        h.Collect(*session);

        const auto files = FilesBelow(h.base);
        EXPECT_EQ(files.size(), std::size(titles)) << SiteName(site);
        for (const auto& file : files) EXPECT_TRUE(Inside(h.base / file, h.OutputRoot())) << file;
        // Each album kept its own image: no two titles were folded onto one folder by accident of a
        // path step ("a/b/c" is not "a").
        std::set<std::string> contents;
        for (const auto& file : files) contents.insert(ReadBytes(h.base / file));
        EXPECT_EQ(contents.size(), std::size(titles)) << SiteName(site);
    }
}

TEST(CollectorHostile, ListingWithTenThousandAlbums) {
    CollectorHarness h({.pageCount = 1});
    std::vector<int> ids(10000);
    for (int i = 0; i < 10000; ++i) ids[static_cast<size_t>(i)] = i + 1;
    for (Site site : {Site::C, Site::D, Site::E}) h.sites.SetListing(site, 1, ids);
    for (Site site : {Site::C, Site::D, Site::E}) {
        auto session = h.Session(site);
        ASSERT_TRUE(Done(session->Enter()));
        const auto lines = h.AlbumLines(site);
        ASSERT_EQ(lines.size(), 10000u) << SiteName(site);
        const AlbumEntries listed = session->Listing().albums;
        ASSERT_EQ(listed.size(), 10000u) << SiteName(site);
        EXPECT_EQ(lines.front(), h.sites.ListedTitle(site, 1));
        EXPECT_EQ(lines.back(), h.sites.ListedTitle(site, 10000));
        EXPECT_EQ(listed.back().url, h.sites.AlbumUrl(site, 10000));
    }
}

TEST(CollectorHostile, AlbumWithoutImagesGetsItsFolderOnly) {
    CollectorHarness h({.pageCount = 1, .albumsPerPage = 3, .imagesPerAlbum = 2});
    h.sites.SetAlbum(Site::D, {2, "no images here", {}});
    auto session = h.Session(Site::D);
    ASSERT_TRUE(Done(session->Enter()));
    h.Collect(*session);
    EXPECT_TRUE(fs::is_directory(h.AlbumFolder(Site::D, 2)));
    EXPECT_TRUE(fs::is_empty(h.AlbumFolder(Site::D, 2)));
    EXPECT_EQ(ReadBytes(h.AlbumFolder(Site::D, 3) / "2.jpg"), h.sites.ImageBytes(Site::D, 3, 2));
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});
}

TEST(CollectorHostile, FailedDownloadsKeepEarlierFilesAndNumberTheRest) {
    // Album 1: image 2 answers 404, image 3 drops the connection halfway (every time); an earlier run left good
    // files for both. Album 2: the same failures with no earlier files.
    for (Site site : {Site::C, Site::D, Site::E}) {
        CollectorHarness h({.pageCount = 1, .albumsPerPage = 2});
        const std::vector<ImageKind> kinds = {ImageKind::Jpeg, ImageKind::NotFound, ImageKind::Reset,
                                              ImageKind::Jpeg};
        h.sites.SetAlbum(site, {1, "earlier run", kinds});
        h.sites.SetAlbum(site, {2, "first run", kinds});
        WriteBytes(h.AlbumFolder(site, 1) / "2.jpg", "earlier image two");
        WriteBytes(h.AlbumFolder(site, 1) / "3.jpg", "earlier image three");
        auto session = h.Session(site);
        ASSERT_TRUE(Done(session->Enter()));
        h.Collect(*session);

        EXPECT_EQ(ReadBytes(h.AlbumFolder(site, 1) / "2.jpg"), "earlier image two") << SiteName(site);
        EXPECT_EQ(ReadBytes(h.AlbumFolder(site, 1) / "3.jpg"), "earlier image three") << SiteName(site);
        EXPECT_EQ(ReadBytes(h.AlbumFolder(site, 1) / "4.jpg"), h.sites.ImageBytes(site, 1, 4))
            << SiteName(site);
        for (const char* name : {"2.jpg", "3.jpg"}) {
            const fs::path file = h.AlbumFolder(site, 2) / name;
            ASSERT_TRUE(fs::exists(file)) << SiteName(site) << " " << name;
            EXPECT_EQ(fs::file_size(file), 0u) << SiteName(site) << " " << name;
        }
        EXPECT_EQ(ReadBytes(h.AlbumFolder(site, 2) / "4.jpg"), h.sites.ImageBytes(site, 2, 4))
            << SiteName(site);
        EXPECT_EQ(FilesBelow(h.OutputRoot()).size(), 8u) << SiteName(site);
        // Completion, and how many images were left without their bytes.
        EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成\r\n失败 4 张"}) << SiteName(site);
    }
}

TEST(CollectorHostile, MissingMarkersOnTheFirstPage) {
    CollectorHarness h;
    h.sites.SetRawPage("/photo/index/2", "<html><body>maintenance</body></html>");
    h.sites.SetRawPage("/dmmt", "<html><head><meta charset=\"utf-8\"></head><body>no links</body></html>");
    h.sites.SetRawPage("/meituxinshang/p1.html", "");
    for (Site site : {Site::C, Site::D, Site::E}) {
        auto session = h.Session(site);
        ASSERT_TRUE(Done(session->Enter()));
        EXPECT_EQ(GbkToUtf8(h.Page(site).pageCount.GetText()), "共页,打开：") << SiteName(site);
        EXPECT_EQ(h.Page(site).pages.ItemCount(), 0) << SiteName(site);
        EXPECT_EQ(h.Page(site).albums.ItemCount(), 0) << SiteName(site);
        EXPECT_TRUE(session->Listing().albums.empty()) << SiteName(site);
    }
}

TEST(CollectorHostile, UnreachableServerGivesEmptyResults) {
    CollectorHarness h;
    auto session = h.Session(Site::C);
    // Listed before the server went away.
    ASSERT_TRUE(Done(session->Enter()));
    ASSERT_FALSE(session->Listing().albums.empty());
    h.sites.Stop();
    h.Collect(*session);
    EXPECT_TRUE(fs::is_directory(h.AlbumFolder(Site::C, 1)));
    EXPECT_TRUE(FilesBelow(h.OutputRoot()).empty());
    EXPECT_EQ(h.Messages(), std::vector<std::string>{"本页采集完成"});
    h.Page(Site::C).pageCount.SetText("");
    ASSERT_TRUE(Done(session->Enter()));
    EXPECT_EQ(GbkToUtf8(h.Page(Site::C).pageCount.GetText()), "共页,打开：");
    EXPECT_TRUE(session->Listing().albums.empty());
}

}  // namespace
}  // namespace dorvane::test

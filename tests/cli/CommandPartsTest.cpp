// The pieces of the commands that need no program run: the settings text, the progress a terminal sees,
// and the listing line of an album with awkward bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <unistd.h>

#include "app/CommandListing.h"
#include "app/SettingsFile.h"
#include "app/TerminalProgress.h"
#include "core/CodePage.h"

namespace dorvane::test {
namespace {

TEST(SettingsText, SectionsCommentsAndQuotesAsTheWindowReadsThem) {
    const auto pairs = ParseSettingsText(
        "top=1\n; comment=no\n# comment=no\n[sites]\n c = h.example:81 \nd=\"quoted;kept\" ; gone\n"
        "no equals here\n=novalue\n[General]\nplain=2\r\n[network]\nretries=\"\\t3\"\n");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"top", "1"}, {"sites/c", "h.example:81"}, {"sites/d", "quoted;kept"}, {"plain", "2"}, {"network/retries", "3"},
    };
    EXPECT_EQ(pairs, expected);
}

TEST(SettingsText, FileAndOverridesReportWhatTheyCouldNotTake) {
    char path[] = "/tmp/dorvane-settings-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string text = "[sites]\nc=127.0.0.1:8080\nd=bad/host\n[nonsense]\nkey=1\n";
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    Settings settings;
    settings.siteHosts = {{"c", "c.default"}, {"d", "d.default"}};
    const auto fileProblems = ApplySettingsFile(path, true, settings);
    const auto optionProblems = ApplySettingOverrides({"sites/d= d.example ", "novalue", "=x"}, settings);
    std::remove(path);
    EXPECT_EQ(settings.siteHosts["c"], "127.0.0.1:8080");
    EXPECT_EQ(settings.siteHosts["d"], "d.example");
    ASSERT_EQ(fileProblems.size(), 2u);
    EXPECT_NE(fileProblems[0].find("sites/d"), std::string::npos);
    EXPECT_NE(fileProblems[1].find("nonsense/key"), std::string::npos);
    EXPECT_EQ(optionProblems, (std::vector<std::string>{"--set novalue: not KEY=VALUE", "--set =x: not KEY=VALUE"}));
    EXPECT_TRUE(ApplySettingsFile(path, false, settings).empty());
    EXPECT_EQ(ApplySettingsFile(path, true, settings).size(), 1u);
}

TEST(TerminalText, BytesAndColumns) {
    const std::pair<long long, const char*> bytes[] = {
        {0, "0 B"}, {1023, "1023 B"}, {1024, "1.0 KB"}, {1536, "1.5 KB"}, {5LL << 20, "5.0 MB"}, {3LL << 40, "3.0 TB"},
    };
    for (const auto& [count, text] : bytes) EXPECT_EQ(ByteCount(count), text) << count;
    const std::tuple<std::string, int, std::string> fits[] = {
        {"abcdef", 0, "abcdef"}, {"abcdef", 6, "abcdef"}, {"abcdef", 5, "abcd…"},
        {"标题很长", 8, "标题很长"}, {"标题很长", 7, "标题很…"}, {"标题很长", 6, "标题…"}, {"a\xff" "bc", 3, "a\xff" "…"},
    };
    for (const auto& [text, columns, fitted] : fits) EXPECT_EQ(FitColumns(text, columns), fitted) << text << columns;
}

// Runs two albums (the second with one failed image and a stop-free end) through the events.
std::string Progress(ProgressStyle style, bool stopEarly) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    double now = 100;
    TerminalProgress progress(out, style, 0, [&now] { return now; });
    AlbumPlan plan;
    plan.imageCount = 2;
    progress.CollectionBegun(2);
    progress.AlbumBegun(1, 2, {Gbk("相册\x1b[31m"), {}, {}});
    progress.AlbumOpened(1, plan);
    for (int j = 1; j <= 2; ++j) {
        progress.ImageNumbered(j, 2, {});
        now += 1;
        progress.ImageDone({1, j, {}, true, false, 1024});
    }
    if (!stopEarly) {
        progress.AlbumBegun(2, 2, {"B", {}, {}});
        progress.AlbumOpened(2, plan);
        progress.ImageNumbered(1, 2, {});
        progress.ImageDone({2, 1, {}, false, false, 0, "http://x/1\x1b.jpg", "HTTP 404"});
    }
    progress.Finish(stopEarly);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

TEST(TerminalProgressOutput, OneLinePerAlbumABarOrNothing) {
    EXPECT_EQ(Progress(ProgressStyle::Lines, false),
              "album 1/2: 相册 [31m: 2 of 2 images stored\n"
              "failed: album 2 image 1: http://x/1 .jpg: HTTP 404\n"
              "album 2/2: B: 0 of 2 images stored, 1 failed\n"
              "stored 2 of 3 images (2.0 KB) from 2 album(s); 1 failed\n");
    EXPECT_EQ(Progress(ProgressStyle::Quiet, false), "failed: album 2 image 1: http://x/1 .jpg: HTTP 404\n");
    const std::string bar = Progress(ProgressStyle::Bar, true);
    EXPECT_NE(bar.find("\ralbum 1/2  image 2/2  2.0 KB  1.0 KB/s  相册 [31m\033[K"), std::string::npos) << bar;
    EXPECT_EQ(bar.find('\n'), bar.size() - 1);  // one line, redrawn, then the summary
    EXPECT_NE(bar.find("\r\033[Kstopped: stored 2 of 2 images (2.0 KB) from 1 album(s); 0 failed\n"), std::string::npos);
}

TEST(CommandListingLine, ThreeFieldsOnOneLine) {
    AlbumEntry album{Gbk("标题\t一\r\n二"), "http://x/1\n", "12"};
    EXPECT_EQ(ListingLine(album), "标题 一  二\thttp://x/1 \t12");
}

}  // namespace
}  // namespace dorvane::test

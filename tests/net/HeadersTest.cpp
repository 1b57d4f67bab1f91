#include "net/Headers.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

struct BlockCase {
    const char* name;
    Text block;
    Text expected;
};

class BuildHeaderBlockCases : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BuildHeaderBlockCases, Normalises) {
    EXPECT_EQ(BuildHeaderBlock(GetParam().block), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildHeaderBlockCases,
    ::testing::Values(BlockCase{"Capitalises", "referer: a\r\nx-requested-with: b",
                                "Referer: a\r\nX-Requested-With: b"},
                      BlockCase{"KeepsOtherLetters", "USER-agent: x\r\ncontent-type: y\r\naccept: z",
                                "USER-Agent: x\r\nContent-Type: y\r\nAccept: z"},
                      BlockCase{"DropsLinesWithoutColon", "garbage\r\nhost:  a:b \r\n\r\nx", "Host:  a:b "},
                      BlockCase{"EmptyParts", "-a--b: 1", "-A--B: 1"},
                      BlockCase{"NonLetters", "1x: 1\r\n:v", "1x: 1\r\n:v"},
                      BlockCase{"TrailingLineBreak", "a: 1\r\n", "A: 1"},
                      BlockCase{"NoHeaderLines", "garbage\r\n\r\n", ""}, BlockCase{"Empty", "", ""}),
    [](const ::testing::TestParamInfo<BlockCase>& info) { return info.param.name; });

TEST(GetHeaderValue, FirstLineBeginningWithTheName) {
    const Text block = "Host: h\r\nConnection: keep-alive\r\nConnection: close";
    EXPECT_EQ(GetHeaderValue(block, "Connection"), "keep-alive");
    EXPECT_EQ(GetHeaderValue(block, "connection"), "");
    EXPECT_EQ(GetHeaderValue(block, "Accept"), "");
    EXPECT_EQ(GetHeaderValue("", "Host"), "");
    // The first line that begins with the name decides, even when it lacks "name: ".
    EXPECT_EQ(GetHeaderValue("Connection-X: 1\r\nConnection: 2", "Connection"), "");
    // The last "name: " of that line.
    EXPECT_EQ(GetHeaderValue("A: b A: c", "A"), "c");
}

struct MergeCase {
    const char* name;
    Text oldCookies;
    Text newCookies;
    Text expected;
};

class MergeCookiesCases : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesCases, Merges) {
    EXPECT_EQ(MergeCookies(GetParam().oldCookies, GetParam().newCookies), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeCookiesCases,
    ::testing::Values(MergeCase{"NewReplacesOld", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
                      MergeCase{"DeletedLeftOut", "sid=abc; u=1", "sid=deleted", "u=1"},
                      MergeCase{"TrailingSemicolon", "a=1;", "", "a=1"},
                      MergeCase{"RepeatsRemoved", "a=1; a=1", "", "a=1"}, MergeCase{"BothEmpty", "", "", ""},
                      MergeCase{"FirstOldOfANameWins", "a=1; a=2", "", "a=1"},
                      MergeCase{"NamesTrimmed", "  a =1", Gbk("　a=2　"), "a=2"},
                      MergeCase{"NameIsCaseSensitive", "A=1", "a=2", "a=2; A=1"},
                      MergeCase{"ItemWithoutEquals", "flag; a=1", "flag", "flag; a=1"},
                      MergeCase{"TrailingSeparatorInNew", "", "x=1; ", "x=1"},
                      MergeCase{"EmptyItemsLeftOut", "a=1; ; b=2; ; ", "; c=3", "c=3; a=1; b=2"},
                      MergeCase{"DeletedOldAlsoLeftOut", "z=deleted; y=1", "", "y=1"}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return info.param.name; });

TEST(RemoveRepeats, KeepsFirstOfEqualItems) {
    EXPECT_EQ(RemoveRepeats("a,b,a,c,b", ","), "a,b,c");
    EXPECT_EQ(RemoveRepeats("a; A; a", "; "), "a; A");
    EXPECT_EQ(RemoveRepeats("", ","), "");
    EXPECT_EQ(RemoveRepeats("a,,b,,", ","), "a,,b");
}

struct SetCookieCase {
    const char* name;
    Text headers;
    Text initial;
    Text expected;
};

class ExtractSetCookiesCases : public ::testing::TestWithParam<SetCookieCase> {};

TEST_P(ExtractSetCookiesCases, Items) {
    EXPECT_EQ(ExtractSetCookies(GetParam().headers, GetParam().initial), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractSetCookiesCases,
    ::testing::Values(
        SetCookieCase{"AttributesDropped",
                      "HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc; path=/\r\nSet-Cookie: t=1\r\n\r\n", "",
                      "sid=abc; t=1"},
        SetCookieCase{"AppendedToInitial", "Set-Cookie: t=1", "a=1; ", "a=1; t=1"},
        // The caller's text is appended to as it is: it brings its own separator.
        SetCookieCase{"InitialWithoutSeparator", "Set-Cookie: t=1", "a=1", "a=1t=1"},
        SetCookieCase{"InitialKeptWithoutCookies", "Content-Type: text/html", "a=1", "a=1"},
        SetCookieCase{"NameIsCaseSensitive", "set-cookie: t=1\r\nSet-Cookie: u=2", "", "u=2"},
        SetCookieCase{"NeedsColonAndBlank", "Set-Cookie:t=1\r\nSet-Cookie2: x=1", "", ""},
        SetCookieCase{"RepeatedNameRemovedWithoutSemicolon", "Set-Cookie: a=Set-cookie:b", "", "a=b"},
        SetCookieCase{"FullWidthSpacesTrimmed", Gbk("Set-Cookie: 　k=v　"), "", "k=v"},
        SetCookieCase{"LineWithoutCookieAddsNothing", "Set-Cookie: ; path=/\r\nSet-Cookie: t=1", "a=1; ",
                      "a=1; t=1"},
        SetCookieCase{"Empty", "", "", ""}),
    [](const ::testing::TestParamInfo<SetCookieCase>& info) { return info.param.name; });

}  // namespace
}  // namespace dorvane

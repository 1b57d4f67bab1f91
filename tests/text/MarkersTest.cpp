#include "text/Markers.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

struct BetweenCase {
    const char* name;
    Text text;
    Text left;
    Text right;
    long long start;
    bool ignoreCase;
    Text expected;
};

class TextBetweenCases : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenCases, CutsThePiece) {
    const BetweenCase& c = GetParam();
    EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenCases,
    ::testing::Values(BetweenCase{"Simple", "<b>x</b>", "<b>", "</b>", 1, false, "x"},
                      BetweenCase{"RightMissing", "<b>x</b>", "<b>", "</i>", 1, false, ""},
                      BetweenCase{"LeftMissing", "<b>x</b>", "<i>", "</b>", 1, false, ""},
                      BetweenCase{"QuoteMarker", R"re(<a href="p.html">)re", Gbk("href=#引号"), Gbk("#引号"),
                                  1, false, "p.html"},
                      BetweenCase{"RightOnlyBeforeLeft", "]x[", "[", "]", 1, false, ""},
                      BetweenCase{"Adjacent", "[]", "[", "]", 1, false, ""},
                      BetweenCase{"FromStart", "[a][b]", "[", "]", 2, false, "b"},
                      BetweenCase{"StartBeyondEnd", "[a]", "[", "]", 99, false, ""},
                      BetweenCase{"StartBelowOne", "[a]", "[", "]", -4, false, "a"},
                      BetweenCase{"IgnoreCase", "<B>x</B>", "<b>", "</b>", 1, true, "x"},
                      BetweenCase{"CaseMattersByDefault", "<B>x</B>", "<b>", "</b>", 1, false, ""},
                      // 0xB0 0x5B is one character whose second byte is "[": the marker must not start there.
                      BetweenCase{"NotFromSecondByte",
                                  "\xB0\x5B"
                                  "x[a]",
                                  "[", "]", 1, false, "a"},
                      BetweenCase{"Chinese", Gbk("标题：中文。"), Gbk("标题："), Gbk("。"), 1, false,
                                  Gbk("中文")}),
    [](const ::testing::TestParamInfo<BetweenCase>& info) { return info.param.name; });

TEST(TextBefore, CutsBeforeTheMarker) {
    EXPECT_EQ(TextBefore("abc|def", "|"), "abc");
    EXPECT_EQ(TextBefore("abc|def", "#"), "");
    EXPECT_EQ(TextBefore("a|b|c", "|", 3), "a|b");
    EXPECT_EQ(TextBefore("a|b", "|", -7), "a");
    EXPECT_EQ(TextBefore("aXb", "x", 1, true), "a");
    EXPECT_EQ(TextBefore("\xB0\x7C"
                         "a|",
                         "|"),
              "\xB0\x7C"
              "a");
}

struct AllCase {
    const char* name;
    Text text;
    Text left;
    Text right;
    bool ignoreCase;
    long long maxLength;
    Text prefix;
    Text suffix;
    bool keepLeft;
    bool keepRight;
    long long start;
    TextList expected;
};

class TextBetweenAllCases : public ::testing::TestWithParam<AllCase> {};

TEST_P(TextBetweenAllCases, CollectsEveryPiece) {
    const AllCase& c = GetParam();
    TextList items{"stale"};
    int count = TextBetweenAll(c.text, c.left, c.right, items, c.ignoreCase, c.maxLength, c.prefix, c.suffix,
                               c.keepLeft, c.keepRight, c.start);
    EXPECT_EQ(items, c.expected);
    EXPECT_EQ(count, static_cast<int>(c.expected.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenAllCases,
    ::testing::Values(
        AllCase{"Plain", "[a][bb][ccc]", "[", "]", false, 0, "", "", false, false, 1, {"a", "bb", "ccc"}},
        AllCase{"MaxLengthSkipsItemsOfThatLength",
                "[a][bb][ccc]",
                "[",
                "]",
                false,
                3,
                "",
                "",
                false,
                false,
                1,
                {"a", "bb"}},
        AllCase{"KeepMarkers",
                "[a][bb][ccc]",
                "[",
                "]",
                false,
                0,
                "",
                "",
                true,
                true,
                1,
                {"[a]", "[bb]", "[ccc]"}},
        AllCase{"PrefixSuffix",
                "[a][bb][ccc]",
                "[",
                "]",
                false,
                0,
                "x",
                "y",
                false,
                false,
                1,
                {"xay", "xbby", "xcccy"}},
        AllCase{
            "MaxLengthCountsTheWholeItem", "[a][bb]", "[", "]", false, 4, "x", "y", false, false, 1, {"xay"}},
        AllCase{
            "NextSearchStartsAfterLeft", "<<a>", "<", ">", false, 0, "", "", false, false, 1, {"<a", "a"}},
        AllCase{"DuplicatesStay", "[a][a]", "[", "]", false, 0, "", "", false, false, 1, {"a", "a"}},
        AllCase{"FromStart", "[a][b]", "[", "]", false, 0, "", "", false, false, 3, {"b"}},
        AllCase{
            "IgnoreCase", "<P>1</p><p>2</P>", "<p>", "</p>", true, 0, "", "", false, false, 1, {"1", "2"}},
        AllCase{"NoRightMarker", "[a[b", "[", "]", false, 0, "", "", false, false, 1, {}},
        // An empty left marker would find the same place forever; it yields nothing.
        AllCase{"EmptyLeftYieldsNothing", "[a][b]", "", "]", false, 0, "", "", false, false, 1, {}},
        // One empty piece per left marker that has a byte after it.
        AllCase{"EmptyRightGivesEmptyPieces", "xaxa", "a", "", false, 0, "", "", false, false, 1, {""}},
        AllCase{"EmptyText", "", "[", "]", false, 0, "", "", false, false, 1, {}},
        AllCase{"QuoteMarkerIsLiteralHere",
                Gbk("#引号a#引号"),
                Gbk("#引号"),
                Gbk("#引号"),
                false,
                0,
                "",
                "",
                false,
                false,
                1,
                {"a"}},
        AllCase{"NotFromSecondByte",
                "\xB0\x5B"
                "x]"
                "[y]",
                "[",
                "]",
                false,
                0,
                "",
                "",
                false,
                false,
                1,
                {"y"}}),
    [](const ::testing::TestParamInfo<AllCase>& info) { return info.param.name; });

}  // namespace
}  // namespace dorvane

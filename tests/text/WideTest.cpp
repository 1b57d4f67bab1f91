#include "text/Wide.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

TEST(Utf8ToGbk, ConvertsAndReplaces) {
    EXPECT_EQ(Utf8ToGbk("\xE4\xB8\xAD\xE6\x96\x87"), "\xD6\xD0\xCE\xC4");  // 中文
    EXPECT_EQ(Utf8ToGbk("abc"), "abc");
    EXPECT_EQ(Utf8ToGbk(""), "");
    // Not in GBK: a character beyond the basic plane gives one "?", as does one GBK lacks.
    EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80"
                        "b"),
              "a?b");
    EXPECT_EQ(Utf8ToGbk("a\xC3\xA4"
                        "b"),
              "a?b");
    // A zero byte ends the text.
    EXPECT_EQ(Utf8ToGbk(Text("ab\0cd", 5)), "ab");
}

struct ToWideCase {
    const char* name;
    Text text;
    int codePage;
    Bytes expected;
};

class TextToWideCases : public ::testing::TestWithParam<ToWideCase> {};

TEST_P(TextToWideCases, Units) {
    const ToWideCase& c = GetParam();
    EXPECT_EQ(TextToWide(c.text, c.codePage), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToWideCases,
    ::testing::Values(ToWideCase{"Utf8", "\xE4\xB8\xAD", kCodePageUtf8, Bytes("\x2D\x4E\0\0", 4)},
                      ToWideCase{"Gbk",
                                 "\xD6\xD0"
                                 "a",
                                 kCodePageGbk,
                                 Bytes("\x2D\x4E"
                                       "a\0\0\0",
                                       6)},
                      ToWideCase{"SystemCodePageIsGbk", "\xD6\xD0", 0, Bytes("\x2D\x4E\0\0", 4)},
                      ToWideCase{"Latin1ByNumber", "\xE9", 28591, Bytes("\xE9\0\0\0", 4)},
                      ToWideCase{"WindowsLatin", "\x80", 1252, Bytes("\xAC\x20\0\0", 4)},
                      ToWideCase{"Empty", "", kCodePageUtf8, Bytes()},
                      ToWideCase{"UnknownCodePage", "abc", 987654, Bytes()},
                      ToWideCase{"NegativeCodePage", "abc", -1, Bytes()}),
    [](const ::testing::TestParamInfo<ToWideCase>& info) { return info.param.name; });

struct FromWideCase {
    const char* name;
    Bytes wide;
    int codePage;
    Text expected;
};

class WideToTextCases : public ::testing::TestWithParam<FromWideCase> {};

TEST_P(WideToTextCases, Text) {
    const FromWideCase& c = GetParam();
    EXPECT_EQ(WideToText(c.wide, c.codePage), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WideToTextCases,
    ::testing::Values(FromWideCase{"Gbk", Bytes("\x2D\x4E\x87\x65", 4), 0, "\xD6\xD0\xCE\xC4"},
                      FromWideCase{"Utf8", Bytes("\x2D\x4E", 2), kCodePageUtf8, "\xE4\xB8\xAD"},
                      FromWideCase{"EndsAtZeroUnit", Bytes("a\0\0\0b\0", 6), 0, "a"},
                      FromWideCase{"OddByteIgnored", Bytes("a\0b", 3), 0, "a"},
                      FromWideCase{"PairIsOneCharacter",
                                   Bytes("a\0\x3D\xD8\x00\xDE"
                                         "b\0",
                                         8),
                                   0, "a?b"},
                      FromWideCase{"PairKeptInUtf8", Bytes("\x3D\xD8\x00\xDE", 4), kCodePageUtf8,
                                   "\xF0\x9F\x98\x80"},
                      FromWideCase{"LoneSurrogate",
                                   Bytes("\x00\xD8"
                                         "b\0",
                                         4),
                                   0, "?b"},
                      FromWideCase{"Unrepresentable", Bytes("\xE4\0", 2), 0, "?"},
                      FromWideCase{"UnknownCodePage", Bytes("a\0", 2), 987654, ""}),
    [](const ::testing::TestParamInfo<FromWideCase>& info) { return info.param.name; });

TEST(Wide, RoundTripOfGbkText) {
    const Text text = Gbk("标题：中文 abc（１２３）");
    EXPECT_EQ(WideToText(TextToWide(text, kCodePageGbk), kCodePageGbk), text);
}

}  // namespace
}  // namespace dorvane

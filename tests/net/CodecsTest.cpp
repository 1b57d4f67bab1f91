#include "net/Codecs.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

TEST(Base64Encode, Padding) {
    const std::pair<Bytes, Text> cases[] = {
        {"abc", "YWJj"},
        {"ab", "YWI="},
        {"a", "YQ=="},
        {"", ""},
        {"user:pass", "dXNlcjpwYXNz"},
        {Bytes("\0\xFF\xFE\x01", 4), "AP/+AQ=="},
    };
    for (const auto& [data, expected] : cases) EXPECT_EQ(Base64Encode(data), expected);
}

struct UnescapeCase {
    const char* name;
    Text input;
    Text expected;
};

class UnescapeTextCases : public ::testing::TestWithParam<UnescapeCase> {};

TEST_P(UnescapeTextCases, Decodes) { EXPECT_EQ(UnescapeText(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Cases, UnescapeTextCases,
    ::testing::Values(
        UnescapeCase{"PercentU", "%u4E2D%u6587", Gbk("中文")},
        UnescapeCase{"BackslashU", "\\u4e2d\\u6587", Gbk("中文")}, UnescapeCase{"Apostrophe", "it's", "it's"},
        UnescapeCase{"LineBreakKept", "a\r\nb", "a\r\nb"}, UnescapeCase{"PercentHex", "%41", "A"},
        UnescapeCase{"PercentHexIsOneUnitNotUtf8", "%E4%B8%AD", "???"},
        UnescapeCase{"Mixed", "%u6807%u9898%20%231", Gbk("标题 #1")},
        UnescapeCase{"MalformedStays", "%zz %4 %u12 %u12G4 % %", "%zz %4 %u12 %u12G4 % %"},
        UnescapeCase{"PercentAtEnd", "100%", "100%"},
        UnescapeCase{"GbkPassesThrough", Gbk("中文abc标题"), Gbk("中文abc标题")},
        // 0x95 0x5C is one character: its second byte is no backslash starting an escape.
        UnescapeCase{"TrailByteIsNoBackslash",
                     "\x95\x5C"
                     "u4e2d",
                     "\x95\x5C"
                     "u4e2d"},
        UnescapeCase{"BackslashWithoutDigitsStays", "C:\\users\\u", "C:\\users\\u"},
        UnescapeCase{"SurrogatePairIsOneCharacter", "a%uD83D%uDE00b", "a?b"},
        UnescapeCase{"LoneSurrogate", "a%uD800b", "a?b"}, UnescapeCase{"Unrepresentable", "%u00E4", "?"},
        UnescapeCase{"LeadingLoneCarriageReturnRemoved", "\rab", "ab"},
        UnescapeCase{"LeadingLineBreakKept", "\r\nab", "\r\nab"},
        UnescapeCase{"InnerCarriageReturnKept", "a\rb", "a\rb"},
        UnescapeCase{"EscapedApostrophe", "%27", "'"},
        UnescapeCase{"FullWidthApostropheBecomesAscii", Gbk("’"), "'"},
        UnescapeCase{"LineBreakGuardBecomesLineBreak", "{$}", "\r\n"}, UnescapeCase{"Empty", "", ""},
        UnescapeCase{"PercentZeroEndsTheText", "a%00b", "a"},
        UnescapeCase{"PercentUZeroEndsTheText", "a%u0000b", "a"},
        UnescapeCase{"BackslashUZeroEndsTheText", "a\\u0000b", "a"}),
    [](const ::testing::TestParamInfo<UnescapeCase>& info) { return info.param.name; });

TEST(DecodeBytes, Utf16ToGbk) {
    EXPECT_EQ(DecodeBytes(Bytes("\x2D\x4E\x87\x65", 4)), Gbk("中文"));
    EXPECT_EQ(DecodeBytes(Bytes("a\0b", 3)), "a");
    EXPECT_EQ(DecodeBytes(Bytes("\xFF\xFE"
                                "a\0",
                                4)),
              "a");
    EXPECT_EQ(DecodeBytes(Bytes("a\0\0\0b\0", 6)), "a");
    EXPECT_EQ(DecodeBytes(Bytes("\x3D\xD8\x00\xDE", 4)), "?");
    EXPECT_EQ(DecodeBytes(""), "");
}

}  // namespace
}  // namespace dorvane

#include "text/RegexObject.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/Text.h"

namespace dorvane {
namespace {

TEST(RegexObject, AnchorsGiveOneMatchEachWithTheirGroups) {
    RegexObject re;
    const Text page = R"re(<a href="1.html">one</a> <a href="2.html">two</a>
<a href="3.html">three</a>)re";
    ASSERT_TRUE(re.Search(R"re(<a href="(\S*?)">(\S*?)</a>)re", page));
    EXPECT_EQ(re.MatchCount(), 3);
    EXPECT_EQ(re.SubMatchText(3, 2), "three");
    EXPECT_EQ(re.SubMatchText(2, 1), "2.html");
    EXPECT_EQ(re.SubMatchCount(), 2);
    EXPECT_EQ(re.MatchText(1), R"re(<a href="1.html">one</a>)re");
}

struct FlagCase {
    const char* name;
    const char* pattern;
    const char* subject;
    bool caseSensitive;
    bool multiline;
    bool global;
    bool expectedResult;
    int expectedCount;
    const char* firstMatch;  // nullptr: not checked
};

class RegexFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(RegexFlags, SearchResultAndMatches) {
    const FlagCase& c = GetParam();
    RegexObject re;
    EXPECT_EQ(re.Search(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global), c.expectedResult);
    EXPECT_EQ(re.MatchCount(), c.expectedCount);
    if (c.firstMatch) {
        EXPECT_EQ(re.MatchText(1), c.firstMatch);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegexFlags,
    ::testing::Values(
        FlagCase{"CaseIgnoredByDefault", "abc", "ABC", false, true, true, true, 1, "ABC"},
        FlagCase{"CaseSensitiveFindsNothingButSucceeds", "abc", "ABC", true, true, true, true, 0, nullptr},
        FlagCase{"UnbalancedParenthesisFails", "(abc", "abc", false, true, true, false, 0, nullptr},
        FlagCase{"GlobalTakesAll", "a", "a a a", false, true, true, true, 3, "a"},
        FlagCase{"NonGlobalTakesFirstOnly", "a.", "a1 a2 a3", false, true, false, true, 1, "a1"},
        // Pages come with CRLF line ends: "$" must still match at the end of each line.
        FlagCase{"DollarBeforeCrLfInMultiline", "^b$", "a\r\nb\r\nc", false, true, true, true, 1, "b"},
        FlagCase{"DollarBeforeLfInMultiline", "^b$", "a\nb\nc", false, true, true, true, 1, "b"},
        FlagCase{"CaretNotAtLineStartWithoutMultiline", "^b", "a\r\nb", false, false, true, true, 0, nullptr},
        FlagCase{"DollarOnlyAtTheVeryEndWithoutMultiline", "b$", "ab\r\n", false, false, true, true, 0,
                 nullptr},
        FlagCase{"DollarAtEndWithoutMultiline", "c$", "ab\r\nc", false, false, true, true, 1, "c"},
        FlagCase{"DotDoesNotCrossLineFeed", "a.b", "a\nb", false, true, true, true, 0, nullptr},
        FlagCase{"DotDoesNotCrossCarriageReturn", "a.b", "a\rb", false, true, true, true, 0, nullptr},
        FlagCase{"ClassCrossesLines", "a[\\s\\S]b", "a\nb", false, true, true, true, 1, "a\nb"},
        FlagCase{"LazyQuantifier", "<(.+?)>", "<x><y>", false, true, true, true, 2, "<x>"},
        FlagCase{"ScriptStyleAnyClass", "a[^]b", "a\nb", false, true, true, true, 1, "a\nb"},
        FlagCase{"ScriptStyleUnicodeEscape", "\\u0041", "xA", true, true, true, true, 1, "A"},
        FlagCase{"UnknownEscapeIsTheCharacter", "a\\yb", "ayb", true, true, true, true, 1, "ayb"},
        FlagCase{"ShortUnicodeEscapeIsLiteral", "\\u12", "u12", true, true, true, true, 1, "u12"},
        FlagCase{"EmptyPatternOverEmptyText", "", "", false, true, true, true, 1, ""}),
    [](const ::testing::TestParamInfo<FlagCase>& info) { return info.param.name; });

TEST(RegexObject, QuoteMarkerStandsForADoubleQuote) {
    RegexObject re;
    ASSERT_TRUE(re.Search(Gbk("href=#引号(.*?)#引号"), R"re(<a href="x">)re", false, true, true, true));
    EXPECT_EQ(re.SubMatchText(1, 1), "x");
    EXPECT_EQ(re.GetPattern(), R"re(href="(.*?)")re");
    // Without the flag the marker is taken literally.
    ASSERT_TRUE(re.Search(Gbk("href=#引号(.*?)#引号"), R"re(<a href="x">)re"));
    EXPECT_EQ(re.MatchCount(), 0);
}

TEST(RegexObject, MissingTextIsEmpty) {
    RegexObject re;
    EXPECT_EQ(re.MatchCount(), 0);
    EXPECT_EQ(re.SubMatchText(1, 1), "");
    EXPECT_EQ(re.GetPattern(), "");
    EXPECT_EQ(re.Replace("x"), "");

    ASSERT_TRUE(re.Search("(z)", "abc"));
    EXPECT_EQ(re.SubMatchText(1, 1), "");
    EXPECT_EQ(re.SubMatchCount(), 0);

    ASSERT_TRUE(re.Search("a(x)?(b)", "ab"));
    long long position = 7;
    EXPECT_EQ(re.SubMatchText(1, 1, &position), "");  // the optional group did not take part
    EXPECT_EQ(position, -1);
    EXPECT_EQ(re.SubMatchText(1, 2, &position), "b");
    EXPECT_EQ(position, 1);
    EXPECT_EQ(re.SubMatchText(1, 3), "");
    EXPECT_EQ(re.SubMatchText(2, 1), "");
    EXPECT_EQ(re.SubMatchText(0, 1), "");
    EXPECT_EQ(re.SubMatchText(1, 0), "");
    EXPECT_EQ(re.SubMatchText(-5, 1 << 30), "");
}

TEST(RegexObject, InvalidPatternEmptiesEveryQuery) {
    RegexObject re;
    ASSERT_TRUE(re.Search("(a)", "a a"));
    ASSERT_EQ(re.MatchCount(), 2);
    EXPECT_FALSE(re.Search("a[", "a a"));
    EXPECT_EQ(re.MatchCount(), 0);
    EXPECT_EQ(re.MatchText(1), "");
    EXPECT_EQ(re.SubMatchCount(), 0);
    EXPECT_EQ(re.GetPattern(), "");
    EXPECT_EQ(re.Replace("b"), "");
}

TEST(RegexObject, ChineseCharactersAreMatchedWhole) {
    RegexObject re;
    const Text subject = Gbk("中文abc标题");
    ASSERT_TRUE(re.Search("(.)(.)", subject));
    EXPECT_EQ(re.SubMatchText(1, 1), Gbk("中"));
    EXPECT_EQ(re.SubMatchText(1, 2), Gbk("文"));
    // \w stays ASCII as in the script engine; \W takes a whole Chinese character.
    ASSERT_TRUE(re.Search("\\w+", subject));
    EXPECT_EQ(re.MatchCount(), 1);
    EXPECT_EQ(re.MatchText(1), "abc");
    ASSERT_TRUE(re.Search("\\W", subject));
    EXPECT_EQ(re.MatchCount(), 4);
    EXPECT_EQ(re.MatchText(4), Gbk("题"));
    ASSERT_TRUE(re.Search(Gbk("标(.)"), subject));
    EXPECT_EQ(re.SubMatchText(1, 1), Gbk("题"));
    ASSERT_TRUE(re.Search("^.{5}$", Gbk("中文ab题")));
    EXPECT_EQ(re.MatchCount(), 1);
}

TEST(RegexObject, PositionsAreGbkByteOffsets) {
    RegexObject re;
    ASSERT_TRUE(re.Search("(b)", Gbk("中文ab中b")));
    ASSERT_EQ(re.MatchCount(), 2);
    long long position = -2;
    EXPECT_EQ(re.SubMatchText(1, 1, &position), "b");
    EXPECT_EQ(position, 5);
    EXPECT_EQ(re.MatchText(2, &position), "b");
    EXPECT_EQ(position, 8);
}

TEST(RegexObject, NeverMatchesTheSecondByteOfACharacter) {
    // 0x81 0x61 is one character whose second byte is an "a".
    const Text subject =
        "\x81\x61"
        "a";
    RegexObject re;
    ASSERT_TRUE(re.Search("a", subject));
    ASSERT_EQ(re.MatchCount(), 1);
    long long position = 0;
    re.MatchText(1, &position);
    EXPECT_EQ(position, 2);
}

// Every pair GBK structure allows, assigned or not, followed by a marker: the marker's position must come
// out exactly, and "." must take the pair as one character given back byte for byte.
TEST(RegexObject, EveryDoubleBytePairMapsBackExactly) {
    Text subject;
    std::vector<Text> pairs;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            Text pair{static_cast<char>(lead), static_cast<char>(trail)};
            pairs.push_back(pair);
            subject += pair;
            subject += "Z";
        }
    }
    RegexObject re;
    ASSERT_TRUE(re.Search("(.)Z", subject, true));
    ASSERT_EQ(re.MatchCount(), static_cast<int>(pairs.size()));
    for (size_t i = 0; i < pairs.size(); ++i) {
        long long position = -1;
        ASSERT_EQ(re.SubMatchText(static_cast<int>(i) + 1, 1, &position), pairs[i]) << i;
        ASSERT_EQ(position, static_cast<long long>(3 * i)) << i;
    }
}

TEST(RegexObject, MalformedBytesComeBackUnchanged) {
    RegexObject re;
    // A lone high byte, a lead byte before a byte that cannot follow it, a lead byte at the very end.
    const Text subject =
        "a\x80"
        "b|c\x81\x30"
        "d|e\xFE";
    ASSERT_TRUE(re.Search("a(.)b\\|c(.)0d\\|e(.)$", subject, false, false));
    ASSERT_EQ(re.MatchCount(), 1);
    EXPECT_EQ(re.SubMatchText(1, 1), "\x80");
    EXPECT_EQ(re.SubMatchText(1, 2), "\x81");
    EXPECT_EQ(re.SubMatchText(1, 3), "\xFE");
    EXPECT_EQ(re.MatchText(1), subject);
}

TEST(RegexObject, EmptyMatchesAdvanceByWholeCharacters) {
    RegexObject re;
    ASSERT_TRUE(re.Search("x*", Gbk("中x文")));
    ASSERT_EQ(re.MatchCount(), 4);
    const long long expected[] = {0, 2, 3, 5};
    const char* texts[] = {"", "x", "", ""};
    for (int i = 0; i < 4; ++i) {
        long long position = -1;
        EXPECT_EQ(re.MatchText(i + 1, &position), texts[i]);
        EXPECT_EQ(position, expected[i]);
    }
    ASSERT_TRUE(re.Search("^", "a\r\nb\nc"));
    EXPECT_EQ(re.MatchCount(), 3);
}

struct ReplaceCase {
    const char* name;
    const char* pattern;
    const char* subject;
    bool global;
    const char* replacement;
    const char* expected;
};

class RegexReplace : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(RegexReplace, ExpandsReferences) {
    const ReplaceCase& c = GetParam();
    RegexObject re;
    ASSERT_TRUE(re.Search(c.pattern, c.subject, false, true, c.global));
    EXPECT_EQ(re.Replace(c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegexReplace,
    ::testing::Values(ReplaceCase{"Groups", "(\\w)=(\\w)", "a=1 b=2", true, "$2:$1", "1:a 2:b"},
                      ReplaceCase{"FirstOnlyWithoutGlobal", "(\\w)=(\\w)", "a=1 b=2", false, "$2:$1",
                                  "1:a b=2"},
                      ReplaceCase{"WholeMatch", "b+", "abbc", true, "[$&]", "a[bb]c"},
                      ReplaceCase{"Dollar", "b", "abc", true, "$$", "a$c"},
                      ReplaceCase{"MissingGroupIsLiteral", "(b)", "abc", true, "$2", "a$2c"},
                      ReplaceCase{"TwoDigitsFallBackToOne", "(b)", "abc", true, "$10", "ab0c"},
                      ReplaceCase{"ZeroIsLiteral", "b", "abc", true, "$0", "a$0c"},
                      ReplaceCase{"TrailingDollar", "b", "abc", true, "x$", "ax$c"},
                      ReplaceCase{"NonParticipatingGroupIsEmpty", "a(x)?", "ab", true, "[$1]", "[]b"},
                      ReplaceCase{"EmptyMatches", "x*", "ab", true, "-", "-a-b-"},
                      ReplaceCase{"NoMatchGivesSubject", "z", "abc", true, "-", "abc"},
                      ReplaceCase{"ContextBefore", "b", "abc", true, "$`", "aac"},
                      ReplaceCase{"ContextAfter", "b", "abc", true, "$'", "acc"}),
    [](const ::testing::TestParamInfo<ReplaceCase>& info) { return info.param.name; });

TEST(RegexObject, ReplaceKeepsChineseText) {
    RegexObject re;
    ASSERT_TRUE(re.Search(Gbk("(图)(\\d+)"), Gbk("第图12张，图3")));
    EXPECT_EQ(re.Replace(Gbk("$2$1")), Gbk("第12图张，3图"));
}

TEST(RegexObject, CaseIsIgnoredForLettersBeyondAscii) {
    RegexObject re;
    ASSERT_TRUE(re.Search(Gbk("Ω"), Gbk("ω")));
    EXPECT_EQ(re.MatchCount(), 1);
}

TEST(RegexObject, ListingPatternOfSiteC) {
    const Text page =
        Gbk("<li><a href = '/a/1.html' class=\"tits grey\">标题 1</a></li>\r\n"
            "<li><a href=\"/a/2.html\" class=\"tits grey\">第二\r\n行</a></li>");
    RegexObject re;
    ASSERT_TRUE(re.Search(R"re(<a href *= *['"]*(\S+)["'] class="tits grey">([\s\S]*?)</a>)re", page));
    ASSERT_EQ(re.MatchCount(), 2);
    EXPECT_EQ(re.SubMatchText(1, 1), "/a/1.html");
    EXPECT_EQ(re.SubMatchText(1, 2), Gbk("标题 1"));
    EXPECT_EQ(re.SubMatchText(2, 1), "/a/2.html");
    EXPECT_EQ(re.SubMatchText(2, 2), Gbk("第二\r\n行"));
}

TEST(RegexObject, CharsetOfAPage) {
    RegexObject re;
    ASSERT_TRUE(re.Search(R"re(<meta.+?charset=[^\w]?([-\w]+))re",
                          "<head><META http-equiv=\"Content-Type\" content=\"text/html; charset=\"UTF-8\">"));
    EXPECT_EQ(re.SubMatchText(1, 1), "UTF-8");
}

TEST(RegexObject, LongLazySpanOverABigPage) {
    // One lazy group spanning megabytes must neither fail nor lose the match.
    Text page = "<start>";
    page += Text(3 * 1024 * 1024, 'x');
    page += "\r\n<end>";
    RegexObject re;
    ASSERT_TRUE(re.Search(R"re(<start>([\s\S]*?)<end>)re", page));
    ASSERT_EQ(re.MatchCount(), 1);
    EXPECT_EQ(re.SubMatchText(1, 1).size(), 3u * 1024 * 1024 + 2);
}

}  // namespace
}  // namespace dorvane

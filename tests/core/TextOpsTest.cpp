#include "core/TextOps.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

namespace dorvane {
namespace {

// GBK bytes used throughout: "中文" is D6 D0 CE C4. 81 40, 81 41, 81 61 and 81 5C are double-byte characters
// whose second byte is '@', 'A', 'a' and '\' respectively.
const Text kZhongWen = "\xD6\xD0\xCE\xC4";

struct FindCase {
    const char* name;
    Text text;
    Text wanted;
    long long start;
    bool ignoreCase;
    long long expected;
};

TEST(TextOps, Find) {
    const FindCase cases[] = {
        {"empty wanted in abc", "abc", "", 1, false, 1},
        {"empty wanted in empty", "", "", 1, false, -1},
        {"empty wanted past the end", "abc", "", 4, false, -1},
        {"c from 4", "abc", "c", 4, false, -1},
        {"c from 3", "abc", "c", 3, false, 3},
        {"start 0 counts as 1", "abc", "a", 0, false, 1},
        {"negative start", "abc", "c", -5, false, 3},
        {"huge start", "abc", "c", LLONG_MAX, false, -1},
        {"absent", "abc", "d", 1, false, -1},
        {"wanted longer than text", "abc", "abcd", 1, false, -1},
        {"second occurrence", "abcabc", "bc", 3, false, 5},
        {"match at the very end", "xxab", "ab", 1, false, 3},
        {"case matters", "ABC", "b", 1, false, -1},
        {"ignore case", "ABC", "b", 1, true, 2},
        {"ignore case in wanted", "abc", "BC", 1, true, 2},
        {"ignore case folds only letters", "a{", "[", 1, true, -1},
        {"ignore case folds only letters 2", "`", "@", 1, true, -1},
        {"span of two characters", kZhongWen, "\xD0\xCE", 1, false, -1},
        {"second byte alone", kZhongWen, "\xD0", 1, false, -1},
        {"whole character", kZhongWen, "\xCE\xC4", 1, false, 3},
        {"@ as a second byte", "\x81\x40@", "@", 1, false, 3},
        {"@ only as a second byte", "\x81\x40", "@", 1, false, -1},
        {"backslash as a second byte", "\x81\x5C\\", "\\", 1, false, 3},
        {"letter as a second byte", "\x81\x41" "A", "A", 1, false, 3},
        {"letter as a second byte, ignore case", "\x81\x41" "A", "a", 1, true, 3},
        {"lone lead byte at the end", "ab\xD6", "\xD6", 1, false, 3},
        {"lone lead byte, longer wanted", "ab\xD6", "\xD6\xD0", 1, false, -1},
        // The walk starts at start: from position 2 the bytes D0 CE are read as one character.
        {"walk begins at start", kZhongWen, "\xD0\xCE", 2, false, 2},
        {"after a long ASCII run", Text(40, 'x') + "\x81\x40" + Text(20, 'y') + "@", "@", 1, false, 63},
        {"in a long double-byte run", Text(41, '\xD6') + "@@", "@", 1, false, 43},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextFind(c.text, c.wanted, c.start, c.ignoreCase), c.expected) << c.name;
    }
}

TEST(TextOps, FindBackward) {
    const FindCase cases[] = {
        {"whole text", "abcabc", "abc", 0, false, 4},
        {"within the first 5 bytes", "abcabc", "abc", 6, false, 1},
        {"within the first 6 bytes", "abcabc", "abc", 7, false, 4},
        {"start beyond the end", "abcabc", "abc", 100, false, 4},
        {"start 1 leaves nothing", "abcabc", "abc", 1, false, -1},
        {"negative start means whole text", "abcabc", "abc", -3, false, 4},
        {"overlapping occurrences", "aaaa", "aa", 0, false, 3},
        {"absent", "abc", "x", 0, false, -1},
        {"empty wanted", "abc", "", 0, false, 1},
        {"empty wanted in empty", "", "", 0, false, -1},
        {"ignore case", "xAbcaBc", "abc", 0, true, 5},
        {"span of two characters", kZhongWen, "\xD0\xCE", 0, false, -1},
        {"@ as a second byte", "@\x81\x40", "@", 0, false, 1},
        {"@ after a double-byte character", "\x81\x40@\x81\x40", "@", 0, false, 3},
        {"lone lead byte at the end", "\xD6\xD0\xD6", "\xD6", 0, false, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextFindBackward(c.text, c.wanted, c.start, c.ignoreCase), c.expected) << c.name;
    }
}

TEST(TextOps, Replace) {
    struct Case {
        const char* name;
        Text text, wanted, replacement;
        long long start, count;
        bool caseSensitive;
        Text expected;
    };
    const Case cases[] = {
        {"all", "a,b,c", ",", ";", 1, -1, true, "a;b;c"},
        {"count 1", "a,b,c", ",", ";", 1, 1, true, "a;b,c"},
        {"count 0", "a,b,c", ",", ";", 1, 0, true, "a,b,c"},
        {"from 3", "a,b,c", ",", ";", 3, -1, true, "a,b;c"},
        {"start below 1", "a,b", ",", ";", -4, -1, true, "a;b"},
        {"start beyond", "a,b", ",", ";", 4, -1, true, "a,b"},
        {"default replacement deletes", "a,b", ",", "", 1, -1, true, "ab"},
        {"longer replacement", "a,b", ",", "<>", 1, -1, true, "a<>b"},
        {"no overlap", "aaa", "aa", "b", 1, -1, true, "ba"},
        {"replacement holds wanted", "aa", "a", "aa", 1, -1, true, "aaaa"},
        {"case sensitive", "aAa", "a", "x", 1, -1, true, "xAx"},
        {"case insensitive", "aAa", "a", "x", 1, -1, false, "xxx"},
        {"empty text", "", "a", "x", 1, -1, true, ""},
        {"empty wanted", "abc", "", "x", 1, -1, true, "abc"},
        {"span of two characters", kZhongWen, "\xD0\xCE", "x", 1, -1, true, kZhongWen},
        {"@ as a second byte", "\x81\x40@", "@", "#", 1, -1, true, "\x81\x40#"},
        {"letter as a second byte", "\x81\x61" "a", "A", "x", 1, -1, false, "\x81\x61x"},
        {"whole characters", kZhongWen + "a" + kZhongWen, kZhongWen, "Z", 1, -1, true, "ZaZ"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextReplace(c.text, c.wanted, c.replacement, c.start, c.count, c.caseSensitive), c.expected)
            << c.name;
    }
}

TEST(TextOps, Split) {
    struct Case {
        const char* name;
        Text text, delimiter;
        long long maxCount;
        TextList expected;
    };
    const Case cases[] = {
        {"adjacent and trailing delimiters", "a,,b,", ",", 0, {"a", "", "b"}},
        {"leading delimiter", ",a", ",", 0, {"", "a"}},
        {"only a delimiter", ",", ",", 0, {""}},
        {"two delimiters", ",,", ",", 0, {"", ""}},
        {"no delimiter", "abc", ",", 0, {"abc"}},
        {"empty delimiter", "a,b", "", 0, {"a,b"}},
        {"empty text", "", ",", 0, {}},
        {"maximum count", "a,b,c", ",", 2, {"a", "b"}},
        {"maximum count above pieces", "a,b", ",", 5, {"a", "b"}},
        {"long delimiter", "a<>b<>", "<>", 0, {"a", "b"}},
        {"delimiter as a second byte", "\x81\x40@x", "@", 0, {"\x81\x40", "x"}},
        {"span of two characters", kZhongWen, "\xD0\xCE", 0, {kZhongWen}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextSplit(c.text, c.delimiter, c.maxCount), c.expected) << c.name;
    }
    EXPECT_EQ(TextSplit("a,b"), (TextList{"a", "b"})) << "comma is the default";
}

TEST(TextOps, TrimAndCase) {
    struct Case {
        const char* name;
        Text text, expected;
    };
    const Case trims[] = {
        {"spaces", "  ab  ", "ab"},
        {"only full-width spaces", "\xA1\xA1\xA1\xA1", ""},
        {"mixed blanks", "\xA1\xA1 a b\xA1\xA1 ", "a b"},
        {"A1 A1 across characters is no blank", "\xB0\xA1\xA1", "\xB0\xA1\xA1"},
        {"tabs are not blanks", "\ta\t", "\ta\t"},
        {"empty", "", ""},
        {"lone lead byte at the end", " \xA1", "\xA1"},
    };
    for (const auto& c : trims) EXPECT_EQ(TextTrim(c.text), c.expected) << c.name;

    EXPECT_EQ(TextUpper("abC\x81\x61z"), "ABC\x81\x61Z");
    EXPECT_EQ(TextLower("ABC\x81\x41Z"), "abc\x81\x41z");
    EXPECT_EQ(TextUpper("a\xD6"), "A\xD6");
    EXPECT_EQ(TextUpper("[`{@]"), "[`{@]");
}

TEST(TextOps, Parts) {
    struct Case {
        const char* name;
        Text actual, expected;
    };
    const Text abc = "abc";
    const Case cases[] = {
        {"left beyond", TextLeft(abc, 5), "abc"},
        {"left 2", TextLeft(abc, 2), "ab"},
        {"left 0", TextLeft(abc, 0), ""},
        {"left negative", TextLeft(abc, -1), ""},
        {"left huge", TextLeft(abc, LLONG_MAX), "abc"},
        {"right 0", TextRight(abc, 0), ""},
        {"right 2", TextRight(abc, 2), "bc"},
        {"right beyond", TextRight(abc, 9), "abc"},
        {"right negative", TextRight(abc, LLONG_MIN), ""},
        {"middle from 0", TextMiddle(abc, 0, 2), ""},
        {"middle from 1", TextMiddle(abc, 1, 2), "ab"},
        {"middle cut at the end", TextMiddle(abc, 2, 9), "bc"},
        {"middle last byte", TextMiddle(abc, 3, 1), "c"},
        {"middle beyond", TextMiddle(abc, 4, 1), ""},
        {"middle n 0", TextMiddle(abc, 2, 0), ""},
        {"middle n negative", TextMiddle(abc, 2, -1), ""},
        {"middle huge", TextMiddle(abc, 2, LLONG_MAX), "bc"},
        {"middle huge start", TextMiddle(abc, LLONG_MAX, 1), ""},
        {"repeat", TextRepeat(3, "ab"), "ababab"},
        {"repeat 0", TextRepeat(0, "ab"), ""},
        {"repeat negative", TextRepeat(-2, "ab"), ""},
        {"repeat empty", TextRepeat(LLONG_MAX, ""), ""},
        {"spaces", Spaces(3), "   "},
        {"spaces 0", Spaces(0), ""},
        {"spaces negative", Spaces(-1), ""},
        {"character", CharacterText(65), "A"},
        {"character high byte", CharacterText(0x1C1), "\xC1"},
        {"character 0", CharacterText(0), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(TextOps, ByteAtAndCompare) {
    EXPECT_EQ(ByteAt("abc"), 'a');
    EXPECT_EQ(ByteAt("abc", 3), 'c');
    EXPECT_EQ(ByteAt("abc", 4), 0);
    EXPECT_EQ(ByteAt("abc", 0), 0);
    EXPECT_EQ(ByteAt("abc", LLONG_MIN), 0);
    EXPECT_EQ(ByteAt("\xD6"), -42);

    struct Case {
        Text a, b;
        bool caseSensitive;
        int sign;
    };
    const Case cases[] = {
        {"abc", "abc", true, 0},   {"a", "b", true, -1},          {"b", "a", true, 1},
        {"ab", "abc", true, -1},   {"abc", "ab", true, 1},        {"\x80", "a", true, 1},
        {"", "", true, 0},         {"ABC", "abc", true, -1},      {"ABC", "abc", false, 0},
        {"aBc", "AbD", false, -1}, {"\x81\x41", "\x81\x61", false, -1},  // a second byte keeps its case
        {"_", "A", false, -1},  // letters compare in lower case, as the C library folds them
    };
    for (const auto& c : cases) {
        const int r = TextCompareCase(c.a, c.b, c.caseSensitive);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " / " << c.b << " " << c.caseSensitive;
        if (c.caseSensitive) {
            const int plain = TextCompare(c.a, c.b);
            EXPECT_EQ((plain > 0) - (plain < 0), c.sign) << c.a << " / " << c.b;
        }
    }
}

// Reference searches written the slow, obvious way: walk characters from the start of the searched part
// and compare at every boundary.
long long SlowFind(const Text& text, const Text& wanted, size_t from) {
    for (size_t i = from; i + wanted.size() <= text.size();) {
        if (text.compare(i, wanted.size(), wanted) == 0) return static_cast<long long>(i) + 1;
        i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
    }
    return -1;
}

long long SlowFindBackward(const Text& text, const Text& wanted) {
    long long last = -1;
    for (size_t i = 0; i + wanted.size() <= text.size();) {
        if (text.compare(i, wanted.size(), wanted) == 0) last = static_cast<long long>(i) + 1;
        i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
    }
    return last;
}

Text SlowReplace(const Text& text, const Text& wanted, const Text& replacement) {
    Text out;
    size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, wanted.size(), wanted) == 0) {
            out += replacement;
            i += wanted.size();
            continue;
        }
        const size_t width = static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
        out.append(text, i, width);
        i += width;
    }
    return out;
}

Text FoldBytes(Text text) {
    for (auto& ch : text) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
    }
    return text;
}

Text Upper(Text text) {
    for (auto& ch : text) {
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    }
    return text;
}

// Random texts over a tiny alphabet of lead bytes, trail-looking ASCII and letters, so that false candidates
// on second bytes are frequent and the fast scanner's boundary bookkeeping is exercised against the walk.
TEST(TextOps, SearchesAgreeWithCharacterWalk) {
    std::mt19937 random(20260608);
    const char alphabet[] = {'\x81', '\xD6', '@', 'A', 'a', 'x', 'B', '\xA1'};
    auto randomText = [&](size_t maxLength) {
        std::uniform_int_distribution<size_t> length(0, maxLength);
        std::uniform_int_distribution<size_t> pick(0, sizeof alphabet - 1);
        Text t(length(random), ' ');
        for (auto& ch : t) ch = alphabet[pick(random)];
        return t;
    };
    for (int round = 0; round < 4000; ++round) {
        Text text = randomText(round % 10 == 0 ? 200 : 24);
        // Long ASCII stretches take the eight-bytes-at-a-time path.
        if (round % 3 == 0) text.insert(text.size() / 2, Text(round % 29, 'x'));
        Text wanted = randomText(3);
        if (wanted.empty()) wanted = "@";
        const size_t from = text.empty() ? 0 : round % (text.size() + 1);
        const long long start = static_cast<long long>(from) + 1;
        const long long expectedFind = from < text.size() ? SlowFind(text, wanted, from) : -1;
        ASSERT_EQ(TextFind(text, wanted, start), expectedFind) << "round " << round;
        ASSERT_EQ(TextFindBackward(text, wanted), SlowFindBackward(text, wanted)) << "round " << round;
        ASSERT_EQ(TextReplace(text, wanted, "#"), SlowReplace(text, wanted, "#")) << "round " << round;
        // Ignoring case is the same search on texts whose ASCII letters are all folded, byte by byte.
        const Text foldedText = FoldBytes(text);
        const Text foldedWanted = FoldBytes(wanted);
        const Text upperWanted = Upper(wanted);
        ASSERT_EQ(TextFind(text, upperWanted, start, true),
                  from < text.size() ? SlowFind(foldedText, foldedWanted, from) : -1)
            << "round " << round;
        ASSERT_EQ(TextFindBackward(text, upperWanted, 0, true), SlowFindBackward(foldedText, foldedWanted))
            << "round " << round;
        ASSERT_EQ(FoldBytes(TextReplace(text, upperWanted, "#", 1, -1, false)),
                  SlowReplace(foldedText, foldedWanted, "#"))
            << "round " << round;
        const TextList pieces = TextSplit(text, wanted);
        Text joined;
        for (size_t k = 0; k < pieces.size(); ++k) joined += (k ? "#" : "") + pieces[k];
        Text replaced = SlowReplace(text, wanted, "#");
        // The text after the last delimiter is only a piece when it is not empty.
        // ('#' never occurs in the alphabet, so a trailing '#' is a delimiter at the very end.)
        if (!replaced.empty() && replaced.back() == '#') replaced.pop_back();
        ASSERT_EQ(joined, replaced) << "round " << round;
    }
}

}  // namespace
}  // namespace dorvane

#include "core/Numbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>
#include <thread>
#include <vector>

namespace dorvane {
namespace {

TEST(Numbers, ToIntegerFromText) {
    struct Case {
        const char* name;
        Text text;
        int32_t expected;
    };
    const Case cases[] = {
        {"digits then letters", "12ab", 12},
        {"letters", "ab", 0},
        {"empty", "", 0},
        {"leading white space and sign", " \t\n-42x", -42},
        {"plus sign", "+7", 7},
        {"sign without digits", "- 5", 0},
        {"stops at a space", "1 2", 1},
        {"no hexadecimal", "0x1A", 0},
        {"full-width digits", "\xA3\xB1\xA3\xB2", 12},                         // １２
        {"full-width minus", "\xA3\xAD\xA3\xB5", -5},                          // －５
        {"full-width space first", "\xA1\xA1\xA3\xB3", 3},                     // 　３
        {"full-width digits then text", "\xA3\xB4\xD6\xD0\xA3\xB5", 4},        // ４中５
        {"half and full-width mixed", "1\xA3\xB2" "3", 123},
        {"largest", "2147483647", INT32_MAX},
        {"smallest", "-2147483648", INT32_MIN},
        {"above the range clamps", "2147483648", INT32_MAX},
        {"far above the range clamps", "99999999999999999999999999", INT32_MAX},
        {"far below the range clamps", "-99999999999999999999999999", INT32_MIN},
        {"leading zeros", "-0000000000000000000000000012", -12},
    };
    for (const auto& c : cases) EXPECT_EQ(ToInteger(c.text), c.expected) << c.name;
}

TEST(Numbers, ToIntegerFromNumber) {
    EXPECT_EQ(ToInteger(3.9), 3);
    EXPECT_EQ(ToInteger(-3.9), -3);
    EXPECT_EQ(ToInteger(1e20), INT32_MAX);
    EXPECT_EQ(ToInteger(-1e20), INT32_MIN);
    EXPECT_EQ(ToInteger(std::nan("")), 0);
    EXPECT_EQ(ToInteger(-2147483648.0), INT32_MIN);
}

TEST(Numbers, ToNumberAndFolding) {
    struct Case {
        const char* name;
        Text text;
        double expected;
    };
    const Case cases[] = {
        {"decimal then text", "3.5abc", 3.5},
        {"text", "abc", 0},
        {"empty", "", 0},
        {"exponent", "-2e3", -2000},
        {"leading point", "  .5", 0.5},
        {"full-width", "\xA3\xB1\xA3\xAE\xA3\xB5", 1.5},  // １．５
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(ToNumber(c.text), c.expected) << c.name;

    EXPECT_EQ(FoldFullWidth("\xA3\xC1\xA3\xE1"), "Aa");
    EXPECT_EQ(FoldFullWidth("\xA3\xA1\xA3\xFE"), "!~");
    EXPECT_EQ(FoldFullWidth("\xA1\xA1x"), " x");
    EXPECT_EQ(FoldFullWidth("\xD6\xD0\xA3"), "\xD6\xD0\xA3") << "other characters and a lone lead byte stay";
    // A3 as the second byte of a character must not start a fold.
    EXPECT_EQ(FoldFullWidth("\x81\xA3\xB1"), "\x81\xA3\xB1");
}

TEST(Numbers, TextForms) {
    EXPECT_EQ(IntegerText(-12), "-12");
    EXPECT_EQ(IntegerText(0), "0");
    EXPECT_EQ(IntegerText(LLONG_MIN), "-9223372036854775808");
    EXPECT_EQ(ToHexText(255), "FF");
    EXPECT_EQ(ToHexText(0), "0");
    EXPECT_EQ(ToHexText(-1), "FFFFFFFF");
    EXPECT_EQ(ToHexText(0x1A2B), "1A2B");
    EXPECT_EQ(ToHexText(INT32_MIN), "80000000");
}

TEST(Numbers, NearestValue) {
    struct Case {
        double value;
        int digits;
        double expected;
    };
    const Case cases[] = {
        {2.5, 0, 3},         {-2.5, 0, -3},         {0.4, 0, 0},          {2.675, 2, 2.68},
        {1.005, 2, 1.01},    {-1.005, 2, -1.01},    {3.14159, 3, 3.142},  {1234.5, -2, 1200},
        {1250, -2, 1300},    {-1250, -2, -1300},    {149, -2, 100},       {1e300, 2, 1e300},
        {123.456, 400, 123.456}, {5, -400, 0},      {0.5, 0, 1},          {2.4999, 0, 2},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(NearestValue(c.value, c.digits), c.expected) << c.value << " to " << c.digits;
    }
    EXPECT_TRUE(std::isnan(NearestValue(std::nan(""), 2)));
}

TEST(Numbers, Remainder) {
    EXPECT_DOUBLE_EQ(Remainder(7, 3), 1);
    EXPECT_DOUBLE_EQ(Remainder(-7, 3), -1);
    EXPECT_DOUBLE_EQ(Remainder(7.5, 2), 1.5);
    try {
        Remainder(1, 0);
        FAIL() << "no error for a remainder by zero";
    } catch (const RemainderByZero& e) {
        EXPECT_EQ(std::string(e.what()), Gbk("不能求余数于零"));
    }
}

TEST(Numbers, Bits) {
    EXPECT_EQ(BitAnd({12, 10}), 8);
    EXPECT_EQ(BitAnd({-1, 5, 7}), 5);
    EXPECT_EQ(BitAnd({}), 0);
    EXPECT_EQ(BitOr({1, 2, 4}), 7);
    EXPECT_EQ(BitOr({INT32_MIN, 1}), INT32_MIN + 1);

    struct Case {
        int32_t value;
        int count;
        bool left;
        int32_t expected;
    };
    const Case cases[] = {
        {1, 31, true, INT32_MIN}, {1, 32, true, 1},         {1, 33, true, 2},          {1, -1, true, INT32_MIN},
        {0x40000000, 2, true, 0}, {-1, 4, true, -16},       {-8, 1, false, -4},        {-1, 31, false, -1},
        {16, 36, false, 1},       {INT32_MIN, 31, false, -1}, {INT32_MAX, 30, false, 1}, {5, 0, false, 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.left ? ShiftLeft(c.value, c.count) : ShiftRight(c.value, c.count), c.expected)
            << c.value << (c.left ? " << " : " >> ") << c.count;
    }
}

TEST(Numbers, RandomInteger) {
    EXPECT_EQ(RandomInteger(5, 5), 5);
    EXPECT_EQ(RandomInteger(-5, -1), 0) << "negative bounds count as 0";
    std::set<int32_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const int32_t r = RandomInteger(3, 7);
        ASSERT_GE(r, 3);
        ASSERT_LE(r, 7);
        seen.insert(r);
        const int32_t swapped = RandomInteger(10, 2);
        ASSERT_GE(swapped, 2);
        ASSERT_LE(swapped, 10);
        ASSERT_GE(RandomInteger(), 0);
        const int32_t top = RandomInteger(INT32_MAX - 1, INT32_MAX);
        ASSERT_GE(top, INT32_MAX - 1);
    }
    EXPECT_EQ(seen.size(), 5u) << "every value of a small inclusive range turns up";

    // Several threads draw at once without sharing a generator.
    std::vector<std::thread> threads;
    std::vector<int> bad(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&bad, t] {
            for (int i = 0; i < 1000; ++i) bad[t] += RandomInteger(0, 9) > 9;
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(bad, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace dorvane

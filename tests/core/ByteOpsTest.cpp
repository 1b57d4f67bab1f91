#include "core/ByteOps.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace dorvane {
namespace {

using namespace std::string_literals;

TEST(ByteOps, Parts) {
    struct Case {
        const char* name;
        Bytes actual, expected;
    };
    const Bytes data = "a\0c"s;
    const Case cases[] = {
        {"left beyond", BytesLeft(data, 5), data},
        {"left keeps zero bytes", BytesLeft(data, 2), "a\0"s},
        {"left negative", BytesLeft(data, -1), ""},
        {"middle start 0 clips to 1", BytesMiddle(data, 0, 2), "a\0"s},
        {"middle negative start", BytesMiddle(data, LLONG_MIN, 1), "a"},
        {"middle end", BytesMiddle(data, 4, 2), ""},
        {"middle beyond clips to length + 1", BytesMiddle(data, 5, 2), ""},
        {"middle huge start", BytesMiddle(data, LLONG_MAX, 2), ""},
        {"middle cut at the end", BytesMiddle(data, 2, 9), "\0c"s},
        {"middle huge n", BytesMiddle(data, 2, LLONG_MAX), "\0c"s},
        {"middle n 0", BytesMiddle(data, 2, 0), ""},
        {"middle n negative", BytesMiddle(data, 2, -3), ""},
        {"zero bytes", ZeroBytes(3), "\0\0\0"s},
        {"zero bytes 0", ZeroBytes(0), ""},
        {"zero bytes negative", ZeroBytes(-1), ""},
        {"to text stops at zero", BytesToText("ab\0cd"s), "ab"},
        {"to text without zero", BytesToText("abc"), "abc"},
        {"to text of empty", BytesToText(""), ""},
        {"to text zero first", BytesToText("\0a"s), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(ByteOps, Replace) {
    struct Case {
        const char* name;
        Bytes data, wanted, replacement;
        long long start, count;
        Bytes expected;
    };
    const Case cases[] = {
        {"zero bytes", "a\0b\0"s, "\0"s, "-", 1, -1, "a-b-"},
        {"count", "a\0b\0"s, "\0"s, "-", 1, 1, "a-b\0"s},
        {"count 0", "a\0b\0"s, "\0"s, "-", 1, 0, "a\0b\0"s},
        {"from 3", "a\0b\0"s, "\0"s, "-", 3, -1, "a\0b-"s},
        {"start below 1", "xx", "x", "y", -2, -1, "yy"},
        {"start beyond", "xx", "x", "y", 3, -1, "xx"},
        {"case always matters", "aA", "a", "x", 1, -1, "xA"},
        {"no double-byte rule", "\xD6\xD0\xCE\xC4", "\xD0\xCE", "", 1, -1, "\xD6\xC4"},
        {"no overlap", "aaa", "aa", "b", 1, -1, "ba"},
        {"empty data", "", "a", "b", 1, -1, ""},
        {"empty wanted", "abc", "", "b", 1, -1, "abc"},
        {"default replacement deletes", "abc", "b", "", 1, -1, "ac"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BytesReplace(c.data, c.wanted, c.replacement, c.start, c.count), c.expected) << c.name;
    }
}

Bytes Image(const void* value, size_t size) { return Bytes(static_cast<const char*>(value), size); }

TEST(ByteOps, ReadValue) {
    const float oneAndHalf = 1.5f;
    const double twoAndQuarter = 2.25;
    struct Case {
        const char* name;
        Bytes data;
        ValueKind kind;
        long long position;
        double expected;
    };
    const Bytes counting = "\x01\x02\x03\x04\x05\x06\x00\x00"s;
    const Case cases[] = {
        {"byte", counting, ValueKind::Byte, 1, 1},
        {"byte is unsigned", "\xFF", ValueKind::Byte, 1, 255},
        {"short", counting, ValueKind::Short, 1, 0x0201},
        {"short at 2", counting, ValueKind::Short, 2, 0x0302},
        {"short is signed", "\xFF\xFF", ValueKind::Short, 1, -1},
        {"integer", counting, ValueKind::Integer, 1, 0x04030201},
        {"integer is signed", "\xFE\xFF\xFF\xFF", ValueKind::Integer, 1, -2},
        {"long", counting, ValueKind::Long, 1, 0x060504030201LL},
        {"long is signed", "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", ValueKind::Long, 1, -1},
        {"float", Image(&oneAndHalf, 4), ValueKind::Float, 1, 1.5},
        {"number", Image(&twoAndQuarter, 8), ValueKind::Number, 1, 2.25},
        {"number after a byte", "x" + Image(&twoAndQuarter, 8), ValueKind::Number, 2, 2.25},
        {"boolean true", "\x00\x00\x00\x01"s, ValueKind::Boolean, 1, 1},
        {"boolean false", "\x00\x00\x00\x00"s, ValueKind::Boolean, 1, 0},
        {"missing bytes at the end read as 0", "\x01\x02", ValueKind::Integer, 1, 0x0201},
        {"value starting at the last byte", "\x01\x02", ValueKind::Short, 2, 2},
        {"position past the end", "\x01\x02", ValueKind::Short, 3, 0},
        {"empty data", "", ValueKind::Number, 1, 0},
        {"position 0: the byte before the start is 0", "\x01\x02", ValueKind::Short, 0, 0x0100},
        {"position -2", "\x01", ValueKind::Integer, -2, 0x01000000},
        {"position far below", counting, ValueKind::Long, -100, 0},
        {"position LLONG_MIN", counting, ValueKind::Long, LLONG_MIN, 0},
        {"position LLONG_MAX", counting, ValueKind::Long, LLONG_MAX, 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ReadValue(c.data, c.kind, c.position), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace dorvane

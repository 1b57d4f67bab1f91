#include "text/Hash.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

struct HashCase {
    const char* name;
    Bytes data;
    int algorithm;
    int length;
    Text expected;
};

class HashHexCases : public ::testing::TestWithParam<HashCase> {};

TEST_P(HashHexCases, Digest) {
    const HashCase& c = GetParam();
    EXPECT_EQ(HashHex(c.data, c.algorithm, c.length), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HashHexCases,
    ::testing::Values(
        HashCase{"Md5", "abc", kCalgMd5, 16, "900150983CD24FB0D6963F7D28E17F72"},
        HashCase{"Md5OfNothing", "", kCalgMd5, 16, "D41D8CD98F00B204E9800998ECF8427E"},
        HashCase{"Sha1", "abc", kCalgSha1, 20, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        HashCase{"Sha256", "abc", kCalgSha256, 32,
                 "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        HashCase{"ZeroBytesCount", Bytes("a\0b", 3), kCalgMd5, 16, "70350F6027BCE3713F6B76473084309B"},
        HashCase{"ShorterThanTheDigest", "abc", kCalgMd5, 4, "90015098"},
        // The digest lands in a zero-filled buffer of the asked length.
        HashCase{"LongerThanTheDigest", "abc", kCalgMd5, 18, "900150983CD24FB0D6963F7D28E17F720000"},
        HashCase{"UnknownAlgorithm", "abc", 0x1234, 16, ""}, HashCase{"ZeroLength", "abc", kCalgMd5, 0, ""},
        HashCase{"NegativeLength", "abc", kCalgMd5, -16, ""},
        HashCase{"AbsurdLength", "abc", kCalgMd5, 1 << 30, ""}),
    [](const ::testing::TestParamInfo<HashCase>& info) { return info.param.name; });

TEST(Md5Hex, CaseAndMiddle) {
    EXPECT_EQ(Md5Hex("abc", true, true), "3CD24FB0D6963F7D");
    EXPECT_EQ(Md5Hex("abc", false, false), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Hex("abc", true, false), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(Md5Hex("abc", false, true), "3cd24fb0d6963f7d");
    EXPECT_EQ(Md5Hex("abc"), Md5Hex("abc", false, false));
}

}  // namespace
}  // namespace dorvane

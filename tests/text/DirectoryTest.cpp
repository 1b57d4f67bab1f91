#include "text/Directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/CodePage.h"

namespace dorvane {
namespace {

namespace fs = std::filesystem;

class EnsureDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() /
                 ("dorvane_dir_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
    }
    void TearDown() override { fs::remove_all(m_root); }
    Text Root() const { return Utf8ToGbkText(m_root.string()); }
    fs::path m_root;
};

TEST_F(EnsureDirectoryTest, CreatesTheWholePathWithOrWithoutTrailingSeparator) {
    struct Case {
        Text path;
        fs::path created;
    };
    const Case cases[] = {
        {Root() + "/out/a", m_root / "out" / "a"},
        {Root() + "/out/b/", m_root / "out" / "b"},
        {Root() + "/out/c\\", m_root / "out" / "c"},
        {Root() + "/out/d//", m_root / "out" / "d"},
        {Root() + "/" + Gbk("采集数据") + "/" + Gbk("标题"), m_root / "采集数据" / "标题"},
        // The last byte is the second half of a character, not a separator.
        {Root() + "/\x95\x5C", m_root / GbkToUtf8("\x95\x5C")},
    };
    for (const Case& c : cases) {
        EXPECT_NE(EnsureDirectory(c.path), 0) << c.path;
        EXPECT_TRUE(fs::is_directory(c.created)) << c.created;
    }
    // Already there: still nonzero.
    EXPECT_NE(EnsureDirectory(Root() + "/out/a"), 0);
}

TEST_F(EnsureDirectoryTest, FailsWhereAFileIsInTheWay) {
    std::ofstream(m_root / "file") << "x";
    EXPECT_EQ(EnsureDirectory(Root() + "/file/sub"), 0);
    EXPECT_EQ(EnsureDirectory(Root() + "/file"), 0);
    EXPECT_EQ(EnsureDirectory(""), 0);
}

struct SafeNameCase {
    const char* name;
    Text input;
    Text expected;
};

class SafeNameCases : public ::testing::TestWithParam<SafeNameCase> {};

TEST_P(SafeNameCases, IsOneHarmlessComponent) {
    const SafeNameCase& c = GetParam();
    EXPECT_EQ(SafeName(c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeNameCases,
    ::testing::Values(SafeNameCase{"Plain", Gbk("标题 01"), Gbk("标题 01")},
                      SafeNameCase{"Parent", "..", "_"}, SafeNameCase{"Self", ".", "_"},
                      SafeNameCase{"Dots", "....", "_"}, SafeNameCase{"ParentPath", "../x", ".._x"},
                      SafeNameCase{"Slash", "a/b", "a_b"}, SafeNameCase{"BackslashParent", "\\..\\", "_.._"},
                      SafeNameCase{"AbsolutePath", "/etc/passwd", "_etc_passwd"},
                      SafeNameCase{"ZeroByteRemoved", Text("a\0b", 3), "ab"},
                      SafeNameCase{"OnlyZeroAndDots", Text(".\0.", 3), "_"},
                      // 0x95 0x5C is one character; its second byte is no separator.
                      SafeNameCase{"TrailByteBackslashStays", "\x95\x5C", "\x95\x5C"},
                      SafeNameCase{"TrailByteBackslashThenSlash", "\x95\x5C/", "\x95\x5C_"},
                      // A lead byte before "/" is not a character with it: "/" stays a separator.
                      SafeNameCase{"LeadByteBeforeSlash", "\x81/", "\x81_"},
                      SafeNameCase{"LoneLeadAtEnd", "a\x81", "a\x81"},
                      SafeNameCase{"DotsAroundText", ".a.", ".a."}, SafeNameCase{"Empty", "", ""}),
    [](const ::testing::TestParamInfo<SafeNameCase>& info) { return info.param.name; });

}  // namespace
}  // namespace dorvane

#include "core/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

#include "core/CodePage.h"

namespace dorvane {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

Text TextOfRepeated(const Text& piece, int times) {
    Text out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

// Every test works in a fresh folder of its own, named with Chinese characters so that the GBK to UTF-8
// path conversion is always in play.
class Files : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "dorvane-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = fs::path(pattern);
        m_folder = m_root / "中文";
        fs::create_directory(m_folder);
        m_gbkFolder = Utf8ToGbkText(m_folder.string());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(m_folder, fs::perms::owner_all, ignored);
        fs::remove_all(m_root, ignored);
    }

    // GBK path of a name (given in UTF-8) inside the test folder.
    Text In(const char* utf8Name) const { return m_gbkFolder + "/" + Gbk(utf8Name); }

    std::set<std::string> Names(const fs::path& folder) const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    static std::string Content(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path m_root;
    fs::path m_folder;
    Text m_gbkFolder;
};

TEST_F(Files, NativePathIsUtf8) {
    EXPECT_EQ(NativePath(Gbk("采集数据/图.jpg")), "采集数据/图.jpg");
    EXPECT_EQ(NativePath(""), "");
}

// A path the system gives holds characters GBK lacks; it must reach the file system as it was given,
// and a GBK text keeps its bytes on the way.
TEST_F(Files, SystemPathsKeepEveryCharacter) {
    for (const std::string utf8 : {"jörg/图片", "Ελλάδα/😀.jpg", "café €/1.jpg", "采集数据"}) {
        const Text text = Utf8ToSystemText(utf8);
        EXPECT_EQ(NativePath(text), utf8);
        EXPECT_EQ(text.find('?'), std::string::npos) << utf8;
    }
    EXPECT_EQ(Utf8ToSystemText("采集数据"), Gbk("采集数据"));
    const Text folder = Utf8ToSystemText((m_folder / "jörg").string());
    ASSERT_TRUE(CreateDirectory(folder));
    ASSERT_TRUE(WriteFile(folder + "/1.jpg", Bytes("x")));
    EXPECT_EQ(Content(m_folder / "jörg" / "1.jpg"), "x");
}

TEST_F(Files, WriteFileJoinsPartsAndLeavesNoTemporaryFile) {
    const Bytes a = "ab\0"s;
    const Bytes empty;
    const Bytes b = "cd";
    ASSERT_TRUE(WriteFile(In("图.jpg"), {&a, &empty, nullptr, &b}));
    EXPECT_EQ(Content(m_folder / "图.jpg"), "ab\0cd"s);
    EXPECT_EQ(Names(m_folder), std::set<std::string>{"图.jpg"});
    EXPECT_EQ(ReadFile(In("图.jpg")), "ab\0cd"s);
}

TEST_F(Files, WriteFileReplacesAnExistingFile) {
    ASSERT_TRUE(WriteFile(In("1.jpg"), Bytes("0123456789")));
    ASSERT_TRUE(WriteFile(In("1.jpg"), Bytes("ab")));
    EXPECT_EQ(Content(m_folder / "1.jpg"), "ab");
    ASSERT_TRUE(WriteFile(In("1.jpg"), Bytes()));
    EXPECT_EQ(fs::file_size(m_folder / "1.jpg"), 0u);
    EXPECT_EQ(Names(m_folder), std::set<std::string>{"1.jpg"});
}

// A staged file shows nothing under its final name until it is committed, and one that is dropped
// (a worker stopped during its wait) leaves the folder as it was.
TEST_F(Files, StagedFileTakesItsNameOnlyOnCommit) {
    ASSERT_TRUE(WriteFile(In("1.jpg"), Bytes("old")));
    const Bytes replacement = "new";
    {
        StagedFile file;
        ASSERT_TRUE(file.Stage(In("1.jpg"), {&replacement}));
        EXPECT_EQ(Content(m_folder / "1.jpg"), "old");
        EXPECT_EQ(Names(m_folder).size(), 2u);  // the old file and the hidden staged one
    }
    EXPECT_EQ(Content(m_folder / "1.jpg"), "old");
    EXPECT_EQ(Names(m_folder), std::set<std::string>{"1.jpg"});

    StagedFile file;
    const Bytes fresh = "fresh";
    ASSERT_TRUE(file.Stage(In("2.jpg"), {&fresh}));
    EXPECT_FALSE(fs::exists(m_folder / "2.jpg"));
    ASSERT_TRUE(file.Commit());
    EXPECT_FALSE(file.Commit());  // nothing staged any more
    EXPECT_EQ(Content(m_folder / "2.jpg"), "fresh");
    EXPECT_EQ(Names(m_folder), (std::set<std::string>{"1.jpg", "2.jpg"}));
    EXPECT_FALSE(file.Stage(In("missing/3.jpg"), {&fresh}));
    EXPECT_FALSE(file.Commit());
}

// A failed write leaves nothing and says the system's reason (0: refused before the system was asked).
TEST_F(Files, WriteFileFailuresCreateNothing) {
    fs::create_directory(m_folder / "目录");
    ASSERT_TRUE(WriteFile(In("目录/keep"), Bytes("kept")));
    struct Case {
        const char* name;
        Text path;
        int error;
    };
    const Case cases[] = {
        {"missing folder", In("没有/1.jpg"), ENOENT},
        {"folder is a file", In("目录/keep/1.jpg"), ENOTDIR},
        {"path is a folder", In("目录"), EISDIR},
        {"path ends with a separator", In("新/"), 0},
        // The temporary file can be made, the final name is too long: the rename fails after the write.
        {"name too long", m_gbkFolder + "/" + TextOfRepeated(Gbk("图"), 200), ENAMETOOLONG},
    };
    const Bytes data = "data";
    for (const auto& c : cases) {
        StagedFile file;
        EXPECT_FALSE(file.Stage(c.path, {&data}) && file.Commit()) << c.name;
        EXPECT_EQ(file.Error(), c.error) << c.name;
        EXPECT_EQ(Names(m_folder), (std::set<std::string>{"目录"})) << c.name;
        EXPECT_EQ(Names(m_folder / "目录"), std::set<std::string>{"keep"}) << c.name;
    }

    // The empty path: nothing appears in the current directory either.
    const fs::path previous = fs::current_path();
    fs::current_path(m_folder);
    const bool written = WriteFile("", Bytes("data"));
    fs::current_path(previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(Names(m_folder), (std::set<std::string>{"目录"}));
}

TEST_F(Files, WriteFileIntoReadOnlyFolderFails) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
    ASSERT_TRUE(WriteFile(In("old"), Bytes("old")));
    fs::permissions(m_folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteFile(In("old"), Bytes("new")));
    EXPECT_FALSE(WriteFile(In("new"), Bytes("new")));
    fs::permissions(m_folder, fs::perms::owner_all);
    EXPECT_EQ(Content(m_folder / "old"), "old");
    EXPECT_EQ(Names(m_folder), std::set<std::string>{"old"});
}

// Two threads saving the same image name at once: every write succeeds, the file always holds one whole
// version, and no temporary file is left.
TEST_F(Files, ConcurrentWritesToOneNameNeverMix) {
    const Text path = In("同名.jpg");
    std::vector<Bytes> versions;
    for (char c = 'a'; c < 'e'; ++c) versions.push_back(Bytes(100000, c));
    std::vector<std::thread> threads;
    std::vector<int> failures(versions.size(), 0);
    for (size_t t = 0; t < versions.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 30; ++i) failures[t] += !WriteFile(path, versions[t]);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(versions.size(), 0));
    const Bytes final = ReadFile(path);
    EXPECT_NE(std::find(versions.begin(), versions.end(), final), versions.end());
    EXPECT_EQ(Names(m_folder), std::set<std::string>{"同名.jpg"});
}

TEST_F(Files, ReadFileOfWhatCannotBeRead) {
    EXPECT_EQ(ReadFile(In("missing")), "");
    EXPECT_EQ(ReadFile(m_gbkFolder), "") << "a folder";
    EXPECT_EQ(ReadFile(""), "");
}

TEST_F(Files, CreateDirectory) {
    EXPECT_TRUE(CreateDirectory(In("新建")));
    EXPECT_TRUE(fs::is_directory(m_folder / "新建"));
    EXPECT_FALSE(CreateDirectory(In("新建"))) << "already there";
    EXPECT_FALSE(CreateDirectory(In("没有/下级"))) << "the parent must exist";
    EXPECT_FALSE(fs::exists(m_folder / "没有"));
    EXPECT_FALSE(CreateDirectory(""));
}

TEST_F(Files, CurrentDirectory) {
    const fs::path previous = fs::current_path();
    fs::current_path(m_folder);
    const Text inFolder = CurrentDirectory();
    fs::current_path("/");
    const Text atRoot = CurrentDirectory();
    fs::current_path(previous);
    EXPECT_EQ(inFolder, m_gbkFolder) << "GBK text, no trailing separator";
    EXPECT_EQ(atRoot, "/");
}

TEST(FilesDelay, SleepsAtLeastTheTimeAndTreatsNegativeAsZero) {
    Delay(LLONG_MIN);  // must return at once rather than sleep for a wrapped-around time
    Delay(-1);
    const auto before = std::chrono::steady_clock::now();
    Delay(20);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(20));
}

}  // namespace
}  // namespace dorvane

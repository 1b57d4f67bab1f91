#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "core/Files.h"
#include "history/HistoryFiles.h"
#include "history/HistoryStore.h"
#include "history/Sha256.h"

namespace dorvane {
namespace {

struct DigestCase {
    const char* name;
    std::optional<Bytes> content;  // none: no file at all
    Text expected;
};

class FileDigest : public ::testing::TestWithParam<DigestCase> {};

TEST_P(FileDigest, MatchesSha256sum) {
    test::TempHistory place;
    const Text path = place.folder + "/image.jpg";
    const std::optional<Bytes>& content = GetParam().content;
    if (content) WriteFile(path, *content);
    EXPECT_EQ(FileSha256Hex(path), GetParam().expected);
    EXPECT_EQ(Sha256Hex(content.value_or("")), content ? GetParam().expected : Sha256Hex(""));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileDigest,
    ::testing::Values(
        DigestCase{"Abc", Bytes("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // Longer than one piece read, so the pieces join up.
        DigestCase{"ManyPieces", Bytes(200000, 'a'),
                   "2287d207f24a941ff3b56c04c8a25ad56b63e3023207b3bb5b4ac0c9869d74be"},
        DigestCase{"Missing", std::nullopt, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct PathCase {
    const char* name;
    const char* dataHome;  // null: unset
    const char* expected;
};

class DefaultPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(DefaultPath, FollowsXdg) {
    const char* oldHome = std::getenv("HOME");
    const std::optional<std::string> savedHome = oldHome ? std::optional<std::string>(oldHome) : std::nullopt;
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> savedData = oldData ? std::optional<std::string>(oldData) : std::nullopt;
    setenv("HOME", "/home/u", 1);
    if (GetParam().dataHome)
        setenv("XDG_DATA_HOME", GetParam().dataHome, 1);
    else
        unsetenv("XDG_DATA_HOME");
    const std::string path = DefaultHistoryPath();
    savedHome ? setenv("HOME", savedHome->c_str(), 1) : unsetenv("HOME");
    savedData ? setenv("XDG_DATA_HOME", savedData->c_str(), 1) : unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(path, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultPath,
    ::testing::Values(PathCase{"Unset", nullptr, "/home/u/.local/share/dorvane/history.sqlite3"},
                      PathCase{"Absolute", "/data", "/data/dorvane/history.sqlite3"},
                      PathCase{"RelativeIgnored", "data", "/home/u/.local/share/dorvane/history.sqlite3"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HistoryOpen, MakesMissingFolders) {
    test::TempHistory place;
    const std::string path = place.folder + "/share/dorvane/history.sqlite3";
    HistoryStatus status;
    EXPECT_TRUE(HistoryStore::Open(path, status)) << status.Message();
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
}

}  // namespace
}  // namespace dorvane

#include <gtest/gtest.h>

#include <optional>

#include "core/Files.h"
#include "history/HistoryFiles.h"
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
    if (content) {
        EXPECT_EQ(Sha256Hex(*content), GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileDigest,
    ::testing::Values(DigestCase{"Abc", Bytes("abc"),
                                 "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
                      // Longer than one piece read, so the pieces join up.
                      DigestCase{"ManyPieces", Bytes(200000, 'a'),
                                 "2287d207f24a941ff3b56c04c8a25ad56b63e3023207b3bb5b4ac0c9869d74be"},
                      DigestCase{"Missing", std::nullopt, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dorvane

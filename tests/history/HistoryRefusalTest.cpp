#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <functional>

#include "core/Files.h"
#include "history/HistoryFiles.h"
#include "history/HistoryStore.h"

namespace dorvane {
namespace {

using test::ImageOf;
using test::TempHistory;

// A real history with enough rows to span many pages.
void WriteFullHistory(const TempHistory& history) {
    auto store = history.Open();
    for (int number = 1; number <= 300; ++number) store->RecordImage(0, ImageOf("album", number));
}

void RunSql(const std::string& path, const char* sqlText) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sqlText, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

void Resize(const std::string& path, double fraction) {
    const auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(static_cast<double>(size) * fraction));
}

struct RefusalCase {
    const char* name;
    // Makes what stands in the way; returns the path to open and the file that must stay unchanged.
    std::function<std::pair<std::string, std::string>(const TempHistory&)> make;
    HistoryFault fault;
};

class HistoryRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(HistoryRefusal, LeavesTheFileAsItWas) {
    TempHistory history;
    const auto [path, guarded] = GetParam().make(history);
    const Bytes before = ReadFile(guarded);
    ASSERT_FALSE(before.empty());
    HistoryStatus status;
    EXPECT_FALSE(HistoryStore::Open(path, status));
    EXPECT_EQ(status.fault, GetParam().fault) << status.Message();
    EXPECT_NE(status.Message().find(path), std::string::npos) << status.Message();
    EXPECT_EQ(ReadFile(guarded), before);
}

std::pair<std::string, std::string> Same(const std::string& path) { return {path, path}; }

INSTANTIATE_TEST_SUITE_P(
    Cases, HistoryRefusal,
    ::testing::Values(RefusalCase{"TextFile",
                                  [](const TempHistory& h) {
                                      WriteFile(h.path, Bytes(5000, 'x') + "\nnot a database\n");
                                      return Same(h.path);
                                  },
                                  HistoryFault::NotADatabase},
                      RefusalCase{"CutShort",
                                  [](const TempHistory& h) {
                                      WriteFullHistory(h);
                                      Resize(h.path, 0.5);
                                      return Same(h.path);
                                  },
                                  HistoryFault::Damaged},
                      RefusalCase{"PageOverwritten",
                                  [](const TempHistory& h) {
                                      WriteFullHistory(h);
                                      Bytes bytes = ReadFile(h.path);
                                      // A page past the header and schema: only a walk over every page finds
                                      // it.
                                      for (size_t i = 3 * 4096; i < 3 * 4096 + 512; ++i) bytes[i] = '\x5A';
                                      WriteFile(h.path, bytes);
                                      return Same(h.path);
                                  },
                                  HistoryFault::Damaged},
                      RefusalCase{"NewerLayout",
                                  [](const TempHistory& h) {
                                      WriteFullHistory(h);
                                      RunSql(h.path, "PRAGMA user_version = 2");
                                      return Same(h.path);
                                  },
                                  HistoryFault::NewerSchema},
                      RefusalCase{
                          "OtherProgram",
                          [](const TempHistory& h) {
                              RunSql(h.path,
                                     "CREATE TABLE notes (body TEXT); INSERT INTO notes VALUES ('keep')");
                              return Same(h.path);
                          },
                          HistoryFault::NotAHistory},
                      RefusalCase{"FolderIsAFile",
                                  [](const TempHistory& h) {
                                      const std::string blocker = h.folder + "/dorvane";
                                      WriteFile(blocker, "a plain file where the folder should be");
                                      return std::make_pair(blocker + "/history.sqlite3", blocker);
                                  },
                                  HistoryFault::CannotWrite}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dorvane

#include "history/HistoryStore.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/Text.h"
#include "history/HistoryFiles.h"

namespace dorvane {
namespace {

using test::ImageOf;
using test::TempHistory;

struct RoundTripCase {
    const char* name;
    Text text;
};

class HistoryRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// Every text field goes in and comes back with the same bytes, through a closed and reopened file in
// folders the store made.
TEST_P(HistoryRoundTrip, TextsComeBackUnchanged) {
    const Text& text = GetParam().text;
    TempHistory history("/share/dorvane");
    ImageRecord image{text,       text + "L",      text + "A", text + "T", 7,
                      text + "I", text + "/7.jpg", 42,         "ab",       1000};
    long long runId = 0;
    {
        auto store = history.Open();
        ASSERT_TRUE(store->BeginRun({text, image.listing, 0}, runId).Ok());
        ASSERT_TRUE(store->RecordImage(runId, image).Ok());
    }
    auto store = history.Open();
    std::vector<ImageRow> rows;
    ASSERT_TRUE(store->ForEachImage({}, [&](const ImageRow& row) { rows.push_back(row); }).Ok());
    ASSERT_EQ(rows.size(), 1u);
    const ImageRecord& back = rows[0].image;
    EXPECT_EQ(rows[0].runId, runId);
    EXPECT_EQ(
        std::vector<Text>({back.site, back.listing, back.album, back.title, back.address, back.path}),
        std::vector<Text>({image.site, image.listing, image.album, image.title, image.address, image.path}));
    EXPECT_TRUE(store->IsImageKnown(image.address));
    std::vector<AlbumSummary> albums;
    ASSERT_TRUE(store->ListAlbums({text, 0}, albums).Ok());
    ASSERT_EQ(albums.size(), 1u);
    EXPECT_EQ(albums[0].title, image.title);
    EXPECT_EQ(albums[0].folder, text);
}

INSTANTIATE_TEST_SUITE_P(Cases, HistoryRoundTrip,
                         ::testing::Values(RoundTripCase{"Gbk", Gbk("清新写真套图")},
                                           RoundTripCase{"InvalidUtf8", "\xFF\xFE\x80\xC3"},
                                           RoundTripCase{"Quotes", "it's \"x\"'); DROP TABLE images; --"},
                                           RoundTripCase{"Nul", Text("a\0b\0", 4)}),
                         [](const auto& info) { return std::string(info.param.name); });

struct AlbumRun {
    RunOutcome outcome;
    int imageCount;
    std::vector<int> numbers;
};

struct CompletenessCase {
    const char* name;
    std::vector<AlbumRun> runs;
    bool complete;
};

class HistoryCompleteness : public ::testing::TestWithParam<CompletenessCase> {};

TEST_P(HistoryCompleteness, AlbumComplete) {
    TempHistory history;
    auto store = history.Open();
    const Text album = "http://site.example/album/9.html";
    for (const AlbumRun& run : GetParam().runs) {
        long long runId = 0;
        ASSERT_TRUE(store->BeginRun({"c", "http://site.example/list/1.html", 0}, runId).Ok());
        ASSERT_TRUE(store->QueueAlbum(runId, {"c", album, "t", run.imageCount, 0}).Ok());
        for (int number : run.numbers) ASSERT_TRUE(store->RecordImage(runId, ImageOf(album, number)).Ok());
        ASSERT_TRUE(store->EndRun(runId, {run.outcome, 0, 0, 0, 0}).Ok());
    }
    EXPECT_EQ(store->IsAlbumComplete(album), GetParam().complete);
}

constexpr RunOutcome kDone = RunOutcome::Done;
constexpr RunOutcome kStopped = RunOutcome::Stopped;

INSTANTIATE_TEST_SUITE_P(
    Cases, HistoryCompleteness,
    ::testing::Values(CompletenessCase{"NeverCollected", {}, false},
                      CompletenessCase{"DoneWithEveryImage", {{kDone, 3, {1, 2, 3}}}, true},
                      CompletenessCase{"StoppedWithEveryImage", {{kStopped, 3, {1, 2, 3}}}, false},
                      CompletenessCase{"DoneButPartial", {{kDone, 3, {1, 2}}}, false},
                      CompletenessCase{"RepeatedNumbersCountOnce", {{kDone, 3, {1, 1, 2}}}, false},
                      CompletenessCase{"CountUnknown", {{kDone, 0, {1, 2}}}, false},
                      CompletenessCase{"StoppedThenFinished", {{kStopped, 3, {1, 2}}, {kDone, 3, {3}}}, true},
                      CompletenessCase{"GrownSince", {{kDone, 3, {1, 2, 3}}, {kStopped, 5, {}}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct ListCase {
    const char* name;
    HistoryFilter filter;
    std::vector<Text> albums;
};

class HistoryListing : public ::testing::TestWithParam<ListCase> {};

// Album "x" of site a at 100 and 300, "y" of site b at 200, "z" of site a at 250.
TEST_P(HistoryListing, NewestFirst) {
    TempHistory history;
    auto store = history.Open();
    const std::pair<Text, long long> stored[] = {{"x", 100}, {"y", 200}, {"z", 250}, {"x", 300}};
    int number = 0;
    for (const auto& [album, time] : stored) {
        ImageRecord image = ImageOf(album, ++number, time);
        image.site = album == "y" ? "b" : "a";
        ASSERT_TRUE(store->RecordImage(0, image).Ok());
    }
    std::vector<AlbumSummary> albums;
    ASSERT_TRUE(store->ListAlbums(GetParam().filter, albums).Ok());
    std::vector<Text> addresses;
    for (const AlbumSummary& album : albums) addresses.push_back(album.address);
    EXPECT_EQ(addresses, GetParam().albums);
}

INSTANTIATE_TEST_SUITE_P(Cases, HistoryListing,
                         ::testing::Values(ListCase{"Every", {"", 0}, {"x", "z", "y"}},
                                           ListCase{"OneSite", {"a", 0}, {"x", "z"}},
                                           ListCase{"Since", {"", 220}, {"x", "z"}},
                                           ListCase{"NothingSince", {"", 301}, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HistoryForget, RemovesOnlyThatAlbum) {
    TempHistory history;
    auto store = history.Open();
    long long runId = 0;
    ASSERT_TRUE(store->BeginRun({"c", "list", 0}, runId).Ok());
    for (const Text album : {"gone", "kept"}) {
        ASSERT_TRUE(store->QueueAlbum(runId, {"c", album, "t", 2, 0}).Ok());
        for (int number : {1, 2}) ASSERT_TRUE(store->RecordImage(runId, ImageOf(album, number)).Ok());
    }
    ASSERT_TRUE(store->EndRun(runId, {RunOutcome::Done, 4, 0, 0, 0}).Ok());
    int removed = -1;
    ASSERT_TRUE(store->ForgetAlbum("gone", removed).Ok());
    EXPECT_EQ(removed, 2);
    EXPECT_FALSE(store->IsAlbumComplete("gone"));
    EXPECT_FALSE(store->IsImageKnown(ImageOf("gone", 1).address));
    EXPECT_TRUE(store->IsAlbumComplete("kept"));
    std::vector<AlbumSummary> albums;
    ASSERT_TRUE(store->ListAlbums({}, albums).Ok());
    ASSERT_EQ(albums.size(), 1u);
    EXPECT_EQ(albums[0].imagesStored, 2);
}

}  // namespace
}  // namespace dorvane

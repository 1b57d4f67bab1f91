// The custom download task against a local server: files and bytes, the odd/even split, the events it
// reports, the completion decided by the downloaders, a stop, and tasks that overlap.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "core/CodePage.h"
#include "core/Numbers.h"
#include "core/Worker.h"
#include "session/CustomPage.h"
#include "custom/DownloadTask.h"
#include "custom/TaskRecorder.h"
#include "history/HistoryStore.h"
#include "support/LocalServer.h"
#include "support/MemoryControls.h"
#include "support/TestCertificate.h"

namespace dorvane::test {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ImageBody(const std::string& path) { return "\xFF\xD8 image of " + path; }

// Every event as a line: each downloader's in its order (odd items, even items), and the task's end.
struct Recorder : custom::TaskEvents {
    void ItemStarted(int item, const Text& address) override { Add(item, "started " + address); }
    void PictureArrived(int item, const Bytes& bytes) override { Add(item, "picture " + bytes); }
    void ItemDone(const custom::ItemReport& r) override {
        Add(r.item, r.stored ? "done" : "fail " + r.failure);
    }
    void TaskFinished(int n, int failed) override { Add(0, "end " + IntegerText(n) + IntegerText(failed)); }
    void Add(int item, std::string what) {
        std::lock_guard lock(mutex);
        (item == 0 ? ends : sides[(item + 1) % 2]).push_back(std::move(what));
    }
    std::vector<std::string> Side(int index) {
        std::lock_guard lock(mutex);
        return sides[index];
    }
    std::mutex mutex;
    std::vector<std::string> sides[2], ends;
};

class DownloadTask : public ::testing::Test {
protected:
    void SetUp() override {
        server.Http().Get(R"(/(\w+)/(\d+)\.jpg)",
                          [this](const httplib::Request& request, httplib::Response& res) {
                              {
                                  std::unique_lock lock(mutex);
                                  held.wait(lock, [&] { return request.matches[1] != holdPrefix; });
                              }
                              if (request.matches[2] == "4") {
                                  res.status = 404;
                                  res.set_content("<html>missing</html>", "text/html");
                                  return;
                              }
                              res.set_content(ImageBody(request.path), "image/jpeg");
                          });
        ASSERT_TRUE(server.Start());
        folder = MakeTempFolder("dorvane-custom");
        window.saveFolder.SetText(folder);
        c.extractLinks->SetSelected(false);
        c.imageCollect->SetSelected(true);
        c.titleStart->SetText("<h1>");
        c.titleEnd->SetText("</h1>");
        c.contentStart->SetText("<img src=\"");
        c.contentEnd->SetText("\">");
    }
    void TearDown() override {
        Hold({});
        // The downloaders write this test's controls to their last item: let them finish first.
        for (int i = 0; i < 2000 && RunningWorkerCount() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(RunningWorkerCount(), 0);
        server.Stop();
        RemoveFolder(folder);
    }
    void Hold(const std::string& prefix) {
        {
            std::lock_guard lock(mutex);
            holdPrefix = prefix;
        }
        held.notify_all();
    }
    // A page titled `title` with `count` image links under /prefix/.
    void Page(const std::string& title, const std::string& prefix, int count) {
        std::string html = "<h1>" + title + "</h1>";
        for (int n = 1; n <= count; ++n)
            html += "<img src=\"" + server.Url("/" + prefix + "/" + std::to_string(n) + ".jpg") + "\">";
        c.sourceBox->SetText(html);
    }
    // Ticks the task timer until a message appears; the number of ticks it took.
    int TickUntilMessage() {
        for (int tick = 1; tick <= 2000; ++tick) {
            custom::TaskTimerTick(window.controls);
            if (!window.messages.Messages().empty()) return tick;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return -1;
    }
    fs::path TaskFolder(const std::string& name) const { return fs::path(folder) / "自定义采集" / name; }

    LocalServer server;
    std::mutex mutex;
    std::condition_variable held;
    std::string holdPrefix;
    std::string folder;
    MemoryMainWindow window;
    CustomPage& c = window.controls.custom;
};

TEST_F(DownloadTask, SevenItemsSplitOddAndEvenWithOneFailure) {
    Page("T", "a", 7);
    auto recorder = std::make_shared<Recorder>();
    custom::Start(window.controls, {}, recorder);
    EXPECT_EQ(GbkToUtf8(window.custom.taskStatus.GetText()), "T[7P]");
    EXPECT_EQ(c.taskTimer->Period(), 5000);
    ASSERT_GT(TickUntilMessage(), 0);
    ASSERT_EQ(window.messages.Messages().size(), 1u);
    EXPECT_EQ(GbkToUtf8(window.messages.Messages()[0].text), "==== 任 务 完 成 ====\r\n失败 1 张");
    EXPECT_EQ(c.taskTimer->Period(), 0);
    EXPECT_EQ(c.clipboardTimer->Period(), 2000);
    // Once announced, later ticks announce nothing.
    custom::TaskTimerTick(window.controls);
    EXPECT_EQ(window.messages.Messages().size(), 1u);

    for (int n = 1; n <= 7; ++n) {
        const std::string path = "/a/" + std::to_string(n) + ".jpg";
        EXPECT_EQ(ReadAll(TaskFolder("T[7P]") / (std::to_string(n) + ".jpg")), n == 4 ? "" : ImageBody(path))
            << n;
    }
    // The odd downloader reports items 1, 3, 5, 7 in its order, the even one 2, 4, 6; then the end, once.
    std::vector<std::string> expected[2];
    for (int n = 1; n <= 7; ++n) {
        const std::string path = "/a/" + std::to_string(n) + ".jpg";
        expected[(n + 1) % 2].insert(
            expected[(n + 1) % 2].end(),
            {"started " + server.Url(path), "picture " + (n == 4 ? "" : ImageBody(path)),
             n == 4 ? "fail HTTP 404" : "done"});
    }
    EXPECT_EQ(recorder->Side(0), expected[0]);
    EXPECT_EQ(recorder->Side(1), expected[1]);
    EXPECT_EQ(recorder->ends, std::vector<std::string>{"end 71"});
}

TEST_F(DownloadTask, AFolderHoldingFilesEndsNothingEarlyAndKeepsGoodFiles) {
    const fs::path task = TaskFolder("R[7P]");
    fs::create_directories(task);
    for (int n = 1; n <= 7; ++n) std::ofstream(task / (std::to_string(n) + ".jpg")) << "old " << n;
    Hold("r");
    Page("R", "r", 7);
    custom::Start(window.controls);
    for (int tick = 0; tick < 5; ++tick) custom::TaskTimerTick(window.controls);
    EXPECT_TRUE(window.messages.Messages().empty());
    EXPECT_EQ(c.taskTimer->Period(), 5000);
    Hold({});
    ASSERT_GT(TickUntilMessage(), 0);
    EXPECT_EQ(ReadAll(task / "1.jpg"), ImageBody("/r/1.jpg"));
    // The failed item does not wipe what the earlier run stored.
    EXPECT_EQ(ReadAll(task / "4.jpg"), "old 4");
}

TEST_F(DownloadTask, ASecondStartDoesNotChangeTheFirstTask) {
    Hold("first");
    Page("One", "first", 3);
    custom::Start(window.controls);
    Page("Two", "second", 2);
    custom::Start(window.controls);
    ASSERT_GT(TickUntilMessage(), 0);
    EXPECT_EQ(GbkToUtf8(window.messages.Messages()[0].text), "==== 任 务 完 成 ====");
    EXPECT_EQ(ReadAll(TaskFolder("Two[2P]") / "2.jpg"), ImageBody("/second/2.jpg"));
    Hold({});
    // The first task goes on with its own items into its own folder.
    const fs::path first = TaskFolder("One[3P]") / "3.jpg";
    for (int i = 0; i < 2000 && ReadAll(first).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(ReadAll(first), ImageBody("/first/3.jpg"));
    EXPECT_EQ(ReadAll(TaskFolder("One[3P]") / "1.jpg"), ImageBody("/first/1.jpg"));
    EXPECT_FALSE(fs::exists(TaskFolder("Two[2P]") / "3.jpg"));
}

TEST_F(DownloadTask, AFileThatCannotBeWrittenCountsAsFailed) {
    // A folder where item 2's file belongs: the download arrives, the file cannot take its name.
    fs::create_directories(TaskFolder("W[3P]") / "2.jpg");
    Page("W", "w", 3);
    auto recorder = std::make_shared<Recorder>();
    custom::Start(window.controls, {}, recorder);
    ASSERT_GT(TickUntilMessage(), 0);
    EXPECT_EQ(GbkToUtf8(window.messages.Messages()[0].text), "==== 任 务 完 成 ====\r\n失败 1 张");
    EXPECT_EQ(recorder->Side(1).back(), "fail not written: Is a directory");
    EXPECT_EQ(ReadAll(TaskFolder("W[3P]") / "3.jpg"), ImageBody("/w/3.jpg"));
}

// A downloader whose thread cannot be made fetches nothing: its items are failures, reported as such, and
// the task still ends.
TEST_F(DownloadTask, ADownloaderThatCannotStartCountsItsItemsAsFailed) {
    struct Case {
        bool oddStarts, evenStarts;
        std::vector<int> failedItems;
    };
    const Case cases[] = {{true, false, {2, 4}}, {false, true, {1, 3, 5}}, {false, false, {1, 2, 3, 4, 5}}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.oddStarts << k.evenStarts);
        TextList items;
        for (int n = 1; n <= 5; ++n) items.push_back(server.Url("/s/" + std::to_string(n * 10) + ".jpg"));
        const bool starts[] = {k.oddStarts, k.evenStarts};
        int asked = 0;
        custom::DownloadTask task(items, folder + "/", [&](std::function<void()> routine) {
            return starts[asked++] ? StartWorkerThread(std::move(routine)) : nullptr;
        });
        auto recorder = std::make_shared<Recorder>();
        EXPECT_EQ(task.Start(recorder), k.oddStarts && k.evenStarts);
        EXPECT_EQ(asked, 2);
        for (int i = 0; i < 2000 && !task.Finished(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(task.Finished());
        EXPECT_EQ(task.Failed(), static_cast<int>(k.failedItems.size()));
        for (int side = 0; side < 2; ++side)
            EXPECT_EQ(recorder->Side(side).size(), starts[side] ? 9u - 3 * side : 3u - side) << side;
        EXPECT_EQ(recorder->Side(k.oddStarts ? 1 : 0).back(), "fail no downloader thread");
        EXPECT_EQ(recorder->ends, std::vector<std::string>{"end 5" + std::to_string(k.failedItems.size())});
    }
}

// A stop during the downloads ends both downloaders at once: nothing more is reported, no end, no file.
TEST_F(DownloadTask, AStopEndsTheDownloadersWithoutAnEndOrAFile) {
    Hold("h");
    const TextList items{server.Url("/h/1.jpg"), server.Url("/h/2.jpg"), server.Url("/h/3.jpg")};
    std::vector<std::shared_ptr<WorkerToken>> tokens;
    custom::DownloadTask task(items, folder + "/", [&](std::function<void()> routine) {
        return tokens.emplace_back(StartWorkerThread(std::move(routine)));
    });
    auto recorder = std::make_shared<Recorder>();
    ASSERT_TRUE(task.Start(recorder));
    for (int i = 0; i < 2000 && (recorder->Side(0).empty() || recorder->Side(1).empty()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (const auto& token : tokens) token->RequestStop();
    for (int i = 0; i < 2000 && !task.Finished(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(task.Finished());
    EXPECT_EQ(recorder->Side(0), std::vector<std::string>{"started " + items[0]});
    EXPECT_EQ(recorder->Side(1), std::vector<std::string>{"started " + items[1]});
    EXPECT_TRUE(recorder->ends.empty());
    EXPECT_TRUE(fs::is_empty(folder));
}

// The runs in the history file: "outcome stored failed" each, as another tool reads them.
std::vector<std::string> RunLines(const std::string& file) {
    std::vector<std::string> lines;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_exec(db, "SELECT outcome || ' ' || stored || ' ' || failed FROM runs ORDER BY id",
                     [](void* out, int, char** values, char**) {
                         static_cast<std::vector<std::string>*>(out)->push_back(values[0] ? values[0] : "");
                         return 0;
                     }, &lines, nullptr);
    }
    sqlite3_close(db);
    return lines;
}

// A task in the window is recorded: every item whose file stands whole, under the task's folder and name
// and the address its source came from, and the run as it ended; a stopped task's run says so.
TEST_F(DownloadTask, TheHistoryHoldsTheStoredItemsAndHowTheTaskEnded) {
    const std::string file = folder + "/history.sqlite3";
    HistoryStatus status;
    std::shared_ptr<HistoryStore> store = HistoryStore::Open(file, status);
    ASSERT_TRUE(store) << status.Message();
    Page("T", "a", 7);
    c.urlBox->SetText(server.Url("/source.html"));
    custom::Start(window.controls, {}, std::make_shared<Recorder>(), {store, nullptr});
    ASSERT_GT(TickUntilMessage(), 0);
    std::vector<int> numbers;
    ASSERT_TRUE(store->ForEachImage({}, [&](const ImageRow& row) {
        numbers.push_back(row.image.number);
        EXPECT_EQ(row.image.site, "custom");
        EXPECT_EQ(row.image.listing, server.Url("/source.html"));
        EXPECT_EQ(fs::path(row.image.album), TaskFolder("T[7P]"));
        EXPECT_EQ(row.image.title, "T[7P]");
        EXPECT_EQ(row.image.size, static_cast<long long>(ReadAll(row.image.path).size()));
    }).Ok());
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 5, 6, 7}));

    Hold("h");
    std::vector<std::shared_ptr<WorkerToken>> tokens;
    custom::DownloadTask task({server.Url("/h/1.jpg"), server.Url("/h/2.jpg")}, folder + "/held/",
                              [&](std::function<void()> routine) {
                                  return tokens.emplace_back(StartWorkerThread(std::move(routine)));
                              });
    auto shown = std::make_shared<Recorder>();
    auto recording = std::make_shared<custom::TaskRecorder>(custom::TaskHistory{store, nullptr}, shown,
                                                            custom::TaskRecord{"H", folder + "/held/", {}, 2});
    const std::weak_ptr<custom::TaskRecorder> recorder = recording;
    ASSERT_TRUE(task.Start(std::move(recording)));
    for (int i = 0; i < 2000 && (shown->Side(0).empty() || shown->Side(1).empty()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (const auto& token : tokens) token->RequestStop();
    // The run's end is written when the last downloader lets the recorder go: the pointer reads as gone
    // before the recorder's destructor has written it, so the file is read until the end is there.
    const std::vector<std::string> runs{"done 6 1", "stopped 0 0"};
    for (int i = 0; i < 2000 && (!recorder.expired() || RunLines(file) != runs); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(RunLines(file), runs);
}

}  // namespace
}  // namespace dorvane::test

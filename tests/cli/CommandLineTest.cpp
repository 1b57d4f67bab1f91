// The built program's window-less commands against the fixture sites: what "list" prints, what "collect"
// stores, the exit statuses, and a stop by signal in the middle of a collection.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>

#include "ProgramRun.h"
#include "core/CodePage.h"
#include "demo/DemoServer.h"
#include "history/HistoryStore.h"
#include "support/FixtureSites.h"
#include "support/UnresolvableHost.h"

namespace dorvane::test {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every regular file below the folder, relative to it, sorted.
std::vector<std::string> FilesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sites.Start());
        char pattern[] = "/tmp/dorvane-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        base = pattern;
    }
    void TearDown() override {
        sites.SetImageHook(nullptr);
        sites.Stop();
        std::error_code ignored;
        fs::remove_all(base, ignored);
    }

    // The command with every site pointed at the fixture and one try per fetch; the case's own options
    // come after, so its --set wins.
    std::vector<std::string> Command(const std::vector<std::string>& words) const {
        std::vector<std::string> command{words.front()};
        for (const char* key : {"a", "b"}) command.insert(command.end(), {"--set", std::string("sites/") + key + "=" + sites.TlsHost()});
        for (const char* key : {"c", "d", "e"}) command.insert(command.end(), {"--set", std::string("sites/") + key + "=" + sites.Host()});
        command.insert(command.end(), {"--set", "network/retries=0"});
        command.insert(command.end(), {"--set", "history/file=" + (base / "history.sqlite3").string()});
        command.insert(command.end(), words.begin() + 1, words.end());
        return command;
    }

    // The lines "list" should print for listing page `page` of the site.
    std::string ListedLines(Site site, int page) const {
        std::string lines;
        for (int id : sites.Listing(site, page))
            lines += GbkToUtf8(sites.ListedTitle(site, id)) + "\t" + sites.AlbumUrl(site, id) + "\t\n";
        return lines;
    }

    // Album folder / image file of every image of listing page 1 on Site C, relative to the save folder.
    std::vector<std::string> SiteCFiles(int imageCount) const {
        std::vector<std::string> files;
        for (int id : sites.Listing(Site::C, 1))
            for (int j = 1; j <= imageCount; ++j) files.push_back(FileOf(id, j));
        std::sort(files.begin(), files.end());
        return files;
    }
    std::string FileOf(int id, int image) const {
        return (fs::path("采集数据") / GbkToUtf8(sites.ListedTitle(Site::C, id)) / (std::to_string(image) + ".jpg"))
            .string();
    }

    FixtureSites sites;
    fs::path base;
};

TEST_F(CommandLine, ListPrintsTheAlbumsOfThePageAsTheWindowListsThem) {
    struct Case {
        std::vector<std::string> words;
        Site site;
        int page;
    };
    const Case cases[] = {
        {{"list", "c"}, Site::C, 1},
        {{"list", "cosplay", "--page", "3"}, Site::C, 3},
        {{"list", "a", "--category", "1", "--page", "2"}, Site::A, 2},
        {{"list", "--page=4", "lumeri", "--category=2"}, Site::A, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words[1]);
        const ProgramResult result = RunProgram(Command(c.words));
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, ListedLines(c.site, c.page));
    }
}

TEST_F(CommandLine, CollectStoresThePageAsTheWindowDoesAndNothingElse) {
    struct Case {
        const char* name;
        bool outGiven;  // --out names the save folder; otherwise it is the folder the program runs in
    };
    for (const Case& c : {Case{"--out", true}, Case{"current folder", false}}) {
        SCOPED_TRACE(c.name);
        const fs::path run = base / c.name;
        const fs::path save = run / "save";
        fs::create_directories(save);
        std::vector<std::string> words{"collect", "c"};
        if (c.outGiven) words.insert(words.end(), {"--out", save.string()});
        const ProgramResult result = RunProgram(Command(words), c.outGiven ? run.string() : save.string());
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(Contains(result.err, "stored 12 of 12 images")) << result.err;
        EXPECT_TRUE(Contains(result.err, "0 failed")) << result.err;
        // Nothing beside the save folder, nothing in it but the images.
        std::vector<std::string> expected;
        for (const std::string& file : SiteCFiles(4)) expected.push_back((fs::path("save") / file).string());
        EXPECT_EQ(FilesBelow(run), expected);
        for (int id : sites.Listing(Site::C, 1))
            for (int j = 1; j <= 4; ++j) EXPECT_EQ(ReadBytes(save / FileOf(id, j)), sites.ImageBytes(Site::C, id, j));
    }
}

TEST_F(CommandLine, QuietCollectSaysOnlyWhatFailedAndEndsWithOne) {
    const int id = sites.Listing(Site::C, 1).front();
    FixtureAlbum album = sites.Album(Site::C, id);
    album.images[1] = ImageKind::NotFound;
    sites.SetAlbum(Site::C, album);
    const ProgramResult result = RunProgram(Command({"collect", "c", "--quiet", "--out", base.string()}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "failed: album 1 image 2: " + sites.ImageUrl(Site::C, id, 2) +
                              ": HTTP 404\ndorvane: 1 image(s) failed\n");
    EXPECT_EQ(ReadBytes(base / FileOf(id, 3)), sites.ImageBytes(Site::C, id, 3));
}

TEST_F(CommandLine, UsageErrorsAndUnreadableListingsEndWithTwo) {
    struct Case {
        std::vector<std::string> words;
        const char* said;  // part of the message on standard error
    };
    const Case cases[] = {
        {{"list"}, "which site?"},
        {{"list", "x"}, "no site \"x\""},
        {{"list", "c", "d"}, "one site only"},
        {{"list", "c", "--category", "1"}, "has no category box"},
        {{"list", "c", "--page", "8"}, "--page 8: the page box holds 7 item(s)"},
        {{"list", "c", "--page", "0"}, "--page needs a whole number"},
        {{"list", "c", "--page", "1x"}, "--page needs a whole number"},
        {{"list", "c", "--page"}, "--page needs a whole number"},
        {{"list", "a", "--category", "99"}, "--category 99: the category box holds"},
        {{"list", "a", "--category", "8", "--page", "2"}, "no pages to choose from"},
        {{"list", "c", "--out", "x"}, "--out, --quiet, --pages and --new-only belong to collect"},
        {{"collect", "c", "--pages", "3-2"}, "--pages needs A-B"},
        {{"collect", "c", "--bogus"}, "unknown option --bogus"},
        {{"collect", "c", "--quiet=yes"}, "--quiet takes no value"},
        {{"collect", "c", "--parallel", "17"}, "--parallel needs a number of transfers from 1 to 16"},
        {{"lst", "c"}, "\"lst\" is not a command: the commands are list, collect, menu and history"},
        {{"history", "--since", "2026-13-01"}, "--since 2026-13-01: not a date"},
        {{"list", "c", "--json"}, "--since, --json and --forget belong to history"},
        {{"menu", "c", "--page", "2"}, "--page does not apply to menu"},
        {{"menu", "a", "--category", "99"}, "--category 99: the category box holds"},
        {{"list", "c", "--set", "sites/c=127.0.0.1:1"}, "the page box could not be filled: http://127.0.0.1:1"},
        {{"list", "c", "--set", "sites/c=" + UnresolvableHost()}, "could not be fetched"},
        {{"list", "a", "--set", "sites/a=127.0.0.1:1"}, "the category box could not be filled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        const ProgramResult result = RunProgram(Command(c.words));
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(Contains(result.err, c.said)) << result.err;
    }
}

// "menu" numbers the boxes' items as --category and --page count them.
TEST_F(CommandLine, MenuNumbersTheBoxesAsTheOptionsCountThem) {
    const struct {
        std::vector<std::string> words;
        int categories;
        int pages;
    } cases[] = {{{"menu", "c"}, 0, 7}, {{"menu", "a"}, 8, 7}, {{"menu", "a", "--category", "8"}, 8, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words.back());
        const ProgramResult result = RunProgram(Command(c.words));
        EXPECT_EQ(result.status, 0) << result.err;
        std::istringstream lines(result.out);
        int categories = 0;
        std::string pages;
        for (std::string line; std::getline(lines, line);) {
            const std::string numbered = "category\t" + std::to_string(categories + 1) + "\t";
            if (line.starts_with(numbered) && line.size() > numbered.size()) ++categories;
            else pages += line + "\n";
        }
        EXPECT_EQ(categories, c.categories);
        std::string expected;
        for (int i = 1; i <= c.pages; ++i) expected += "page\t" + std::to_string(i) + "\n";
        EXPECT_EQ(pages, expected);
    }
}

// Every image stored is recorded; with collect/skip=history a later run asks for none of them again, even
// after their files went away.
TEST_F(CommandLine, TheHistoryRecordsWhatWasStoredAndSkipsItNextTime) {
    const fs::path save = base / "history-run";
    const ProgramResult first = RunProgram(Command({"collect", "c", "--out", save.string()}));
    ASSERT_EQ(first.status, 0) << first.err;
    HistoryStatus status;
    auto store = HistoryStore::Open((base / "history.sqlite3").string(), status);
    ASSERT_NE(store, nullptr) << status.Message();
    int rows = 0;
    ASSERT_TRUE(store->ForEachImage({}, [&](const ImageRow& row) {
        ++rows;
        EXPECT_EQ(ReadBytes(fs::path(row.image.path)).size(), static_cast<size_t>(row.image.size));
    }).Ok());
    EXPECT_EQ(rows, 12);
    // Nothing new on page 1: a run for what is new stops there, asking for no album and no image.
    sites.ClearRequests();
    const ProgramResult known = RunProgram(Command({"collect", "c", "--out", save.string(), "--new-only", "--pages", "1-3"}));
    EXPECT_EQ(known.status, 0) << known.err;
    EXPECT_TRUE(Contains(known.err, "page 1: every album is known already")) << known.err;
    EXPECT_TRUE(sites.RequestsTo("/img/").empty());
    // What it holds, for people and for scripts; a custom task's images stand under their own key; an
    // album forgotten once is gone.
    const ImageRecord task{
        .site = "custom", .album = "/pictures/task", .title = "task", .number = 1, .path = "/pictures/task/1.jpg"};
    ASSERT_TRUE(store->RecordImage(0, task).Ok());
    const ProgramResult albums = RunProgram(Command({"history", "c"}));
    EXPECT_EQ(albums.status, 0) << albums.err;
    EXPECT_EQ(std::count(albums.out.begin(), albums.out.end(), '\n'), 3);
    const ProgramResult tasks = RunProgram(Command({"history", "custom"}));
    EXPECT_EQ(tasks.out.substr(0, tasks.out.find('\t', 5)), "task\t/pictures/task") << tasks.err;
    const ProgramResult json = RunProgram(Command({"history", "--json"}));
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 13);
    const size_t addressAt = albums.out.find('\t') + 1;
    const std::string album = albums.out.substr(addressAt, albums.out.find('\t', addressAt) - addressAt);
    EXPECT_EQ(RunProgram(Command({"history", "--forget", album})).status, 0);
    EXPECT_EQ(RunProgram(Command({"history", "--forget", album})).status, 1);
    fs::remove_all(save);
    sites.ClearRequests();
    const ProgramResult second =
        RunProgram(Command({"collect", "c", "--out", save.string(), "--set", "collect/skip=history"}));
    EXPECT_EQ(second.status, 0) << second.err;
    // The forgotten album alone is asked for again.
    EXPECT_EQ(sites.RequestsTo("/img/").size(), 4u);
    EXPECT_EQ(FilesBelow(save).size(), 4u);
}

// A run for what is new over a page the history knows whole asks for that listing page alone, wherever
// the site names the page's address without reading another.
TEST_F(CommandLine, ARunForWhatIsNewOverAKnownPageAsksForThatPageAlone) {
    const std::vector<std::string> cases[] = {{"c", "--page", "2"}, {"e"}, {"a", "--category", "2", "--page", "3"}};
    for (const std::vector<std::string>& words : cases) {
        SCOPED_TRACE(words[0]);
        std::vector<std::string> collect{"collect"};
        collect.insert(collect.end(), words.begin(), words.end());
        collect.insert(collect.end(), {"--out", (base / words[0]).string()});
        ASSERT_EQ(RunProgram(Command(collect)).status, 0);
        sites.ClearRequests();
        collect.push_back("--new-only");
        const ProgramResult known = RunProgram(Command(collect));
        EXPECT_EQ(known.status, 0) << known.err;
        EXPECT_EQ(sites.Requests().size(), 1u);
    }
}

// The history on a small file system of its own that fills up: the images are stored whole all the same,
// the failure is said once, and what the history held before stays readable. Mounting needs root, as the
// test machines run.
TEST_F(CommandLine, AFullDiskUnderTheHistoryCostsNoImageAndNoEarlierRow) {
    const fs::path small = base / "small";
    fs::create_directories(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "no tmpfs could be mounted here (not root)";
    struct Unmount {
        fs::path at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{small};
    const std::string history = "history/file=" + (small / "history.sqlite3").string();
    const ProgramResult first = RunProgram(Command({"collect", "c", "--out", (base / "one").string(), "--set", history}));
    ASSERT_EQ(first.status, 0) << first.err;
    {
        // Every byte taken, then room left for the history's index and a few pages of its log: it opens
        // and begins its run, and fills up as the images come.
        std::ofstream filler(small / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) filler.flush();
    }
    fs::resize_file(small / "filler", fs::file_size(small / "filler") - 64 * 1024);
    const ProgramResult full =
        RunProgram(Command({"collect", "c", "--page", "2", "--out", (base / "two").string(), "--set", history}));
    EXPECT_EQ(full.status, 0) << full.err;
    size_t said = 0;
    for (size_t at = full.err.find("the disk is full"); at != std::string::npos;
         at = full.err.find("the disk is full", at + 1))
        ++said;
    EXPECT_EQ(said, 1u) << full.err;
    EXPECT_EQ(FilesBelow(base / "two").size(), 12u);
    fs::remove(small / "filler");
    HistoryStatus status;
    auto store = HistoryStore::Open((small / "history.sqlite3").string(), status);
    ASSERT_NE(store, nullptr) << status.Message();
    // The first run's rows, each naming its file under the first folder.
    int rows = 0;
    ASSERT_TRUE(store->ForEachImage({}, [&](const ImageRow& row) {
        rows += fs::path(row.image.path).parent_path().parent_path().parent_path() == base / "one";
    }).Ok());
    EXPECT_EQ(rows, 12);
}

TEST_F(CommandLine, EmptyListingAfterAFailedFetchIsNotAnEmptyPage) {
    // A page that arrives empty reads as one that did not arrive.
    sites.SetRawPage("/photo/index/2-0-2", "");
    const ProgramResult failed = RunProgram(Command({"list", "c", "--page", "2"}));
    EXPECT_EQ(failed.status, 2);
    EXPECT_TRUE(Contains(failed.err, "the listing is empty: " + sites.Home() + "/photo/index/2-0-2")) << failed.err;
    sites.SetListing(Site::C, 3, {});
    const ProgramResult empty = RunProgram(Command({"list", "c", "--page", "3"}));
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out, "");
}

TEST_F(CommandLine, SettingsFileDemoAndOverridesReachTheCommand) {
    const fs::path file = base / "dorvane.ini";
    std::ofstream(file) << "; the fixture\n[sites]\nc=" << UnresolvableHost() << "\nd=\"" << sites.Host()
                        << "\"\n[network]\nretries=0\n";
    const ProgramResult fromFile = RunProgram({"list", "d", "--config", file.string()});
    EXPECT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, ListedLines(Site::D, 1));
    const ProgramResult overridden =
        RunProgram({"list", "c", "--config", file.string(), "--set", "sites/c=" + sites.Host()});
    EXPECT_EQ(overridden.status, 0) << overridden.err;
    EXPECT_EQ(overridden.out, ListedLines(Site::C, 1));
    const ProgramResult missing = RunProgram({"list", "c", "--config", (base / "none.ini").string(), "--demo"});
    EXPECT_TRUE(Contains(missing.err, "none.ini: no such settings file")) << missing.err;

    // The demo serves the same titles in every run; only its port differs.
    demo::DemoServer reference;
    std::string titles;
    for (int id : reference.Sites().Listing(Site::C, 1))
        titles += GbkToUtf8(reference.Sites().ListedTitle(Site::C, id)) + "\n";
    std::string listed;
    std::istringstream lines(missing.out);
    for (std::string line; std::getline(lines, line);) listed += line.substr(0, line.find('\t')) + "\n";
    EXPECT_EQ(missing.status, 0) << missing.err;
    EXPECT_EQ(listed, titles);
}

TEST_F(CommandLine, HelpNamesBothCommands) {
    for (const std::vector<std::string>& words : {std::vector<std::string>{"--help"}, {"list", "--help"}, {"collect", "-h"}}) {
        SCOPED_TRACE(words.front());
        const ProgramResult result = RunProgram(words);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(Contains(result.out, "dorvane list SITE [--category N] [--page N]")) << result.out;
        EXPECT_TRUE(Contains(result.out, "dorvane collect SITE")) << result.out;
    }
}

// An album without images is what the site shows; a save folder that cannot be written fails every
// later image alike, so the first says so and ends the run.
TEST_F(CommandLine, OnlyFailedImagesCountAndAnUnwritableFolderEndsTheRun) {
    const int id = sites.Listing(Site::C, 1).front();
    const std::string title = GbkToUtf8(sites.ListedTitle(Site::C, id));
    sites.SetAlbum(Site::C, {id, title, {}});
    const ProgramResult empty = RunProgram(Command({"collect", "c", "--out", base.string()}));
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_TRUE(Contains(empty.err, "album 1/3: " + title + ": no images\n")) << empty.err;

    const fs::path file = base / "file";
    std::ofstream(file) << "x";
    sites.ClearRequests();
    const ProgramResult blocked = RunProgram(Command({"collect", "c", "--quiet", "--out", file.string(), "--parallel", "1"}));
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.err, "failed: album 2 image 1: " + sites.ImageUrl(Site::C, sites.Listing(Site::C, 1)[1], 1) +
                               ": not written: Not a directory\ndorvane: stopped: nothing can be written into " +
                               file.string() + "/采集数据/: Not a directory\ndorvane: 1 image(s) failed\n");
    EXPECT_EQ(sites.RequestsTo("/img/").size(), 1u);
}

TEST_F(CommandLine, TheWindowWithoutADisplaySaysSoAndEnds) {
    for (const std::vector<std::string>& words : {std::vector<std::string>{}, {"--demo"}}) {
        const ProgramResult result = RunProgram(words, {}, false);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_TRUE(Contains(result.err, "the window needs a display")) << result.err;
    }
}

// A signal while an image is on its way: the program stops as "停止采集" does and leaves only the images
// it had finished, whole, and no temporary file.
TEST_F(CommandLine, SignalStopsTheCollectionLeavingOnlyWholeImages) {
    struct Case {
        int signal;
        int status;
    };
    // Shared with the server thread, which may still be leaving the hook when the case is over.
    struct Gate {
        std::mutex mutex;
        std::condition_variable changed;
        int requests = 0;
        bool held = false;
        bool released = false;
    };
    for (const Case& c : {Case{SIGINT, 130}, Case{SIGTERM, 143}}) {
        SCOPED_TRACE(c.signal);
        auto gate = std::make_shared<Gate>();
        sites.SetImageHook([gate](const std::string&) {
            std::unique_lock lock(gate->mutex);
            if (++gate->requests != 3) return;
            gate->held = true;
            gate->changed.notify_all();
            gate->changed.wait_for(lock, std::chrono::seconds(60), [&] { return gate->released; });
        });
        const fs::path save = base / std::to_string(c.signal);
        // One transfer at a time, so the two images before the held one are stored when the signal comes.
        RunningProgram program(Command({"collect", "c", "--out", save.string(), "--set", "network/parallel=1"}));
        ASSERT_TRUE(program.Started());
        {
            std::unique_lock lock(gate->mutex);
            ASSERT_TRUE(gate->changed.wait_for(lock, std::chrono::seconds(60), [&] { return gate->held; }));
        }
        program.Signal(c.signal);
        const ProgramResult result = program.Finish();
        {
            std::lock_guard lock(gate->mutex);
            gate->released = true;
        }
        gate->changed.notify_all();
        sites.SetImageHook(nullptr);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_TRUE(Contains(result.err, "stopped: stored 2 of 2 images")) << result.err;
        const int first = sites.Listing(Site::C, 1).front();
        EXPECT_EQ(FilesBelow(save), (std::vector<std::string>{FileOf(first, 1), FileOf(first, 2)}));
        for (int j = 1; j <= 2; ++j) EXPECT_EQ(ReadBytes(save / FileOf(first, j)), sites.ImageBytes(Site::C, first, j));
    }
}

}  // namespace
}  // namespace dorvane::test

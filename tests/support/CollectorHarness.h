#pragma once
// What every collector test needs: the fixture sites on a free port, settings with the hosts pointed at
// them (the sessions are built with them), a fresh save folder, clean program-wide state, a set of in-memory
// main-window controls and page sessions presenting on them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "collectors/SiteRegistry.h"
#include "core/CodePage.h"
#include "core/Settings.h"
#include "core/Worker.h"
#include "session/SitePageSession.h"
#include "support/FixtureSites.h"
#include "support/MemoryControls.h"

namespace dorvane::test {

namespace fs = std::filesystem;

inline std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every regular file below the folder, relative to it, sorted.
inline std::vector<std::string> FilesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class CollectorHarness {
public:
    explicit CollectorHarness(FixtureOptions options = {}) : sites(options) {
        if (!sites.Start()) throw std::runtime_error("fixture server did not start");
        sites.PointAt(settings);
        // One try per request and every image fetched, unless a test asks otherwise: failures the
        // fixtures make on purpose then cost no pauses.
        settings.retries = 0;
        settings.skip = Settings::Skip::None;
        char pattern[] = "/tmp/dorvane-collectors-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made) throw std::runtime_error("no temporary folder");
        // The save folder sits one level down, so a write that escaped it would still be seen in base.
        base = made;
        saveFolder = base / "save";
        fs::create_directories(saveFolder);
        window.saveFolder.SetText(saveFolder.string());
    }
    ~CollectorHarness() {
        // Workers nobody waits for (the viewer's fetch ahead) end before the sites they fetch from.
        StopAllWorkers(std::chrono::seconds(30));
        sites.Stop();
        std::error_code ignored;
        fs::remove_all(base, ignored);
    }

    MainControls& Controls() { return window.controls; }
    MemoryMainWindow::Page& Page(Site site) { return window.pages[static_cast<int>(site)]; }
    fs::path OutputRoot() const { return saveFolder / "采集数据"; }
    // The folder of an album as it should land on disk (the GBK title as a UTF-8 file name).
    fs::path AlbumFolder(Site site, int albumId) const {
        return OutputRoot() / GbkToUtf8(sites.ListedTitle(site, albumId));
    }

    // The site's page as the window's tab page would present it, on the in-memory page of that site.
    PageView View(Site site) {
        return {&Controls().sites[static_cast<size_t>(site)], &Controls(), PostDirectly, [this] { return Controls().saveFolder->GetText(); }};
    }
    // Built with the settings as they are at the call.
    std::unique_ptr<SitePageSession> Session(Site site) {
        return std::make_unique<SitePageSession>(DescribeSite(static_cast<int>(site), settings), View(site),
                                                 settings);
    }
    // Runs the page collection on a worker, as "开始采集" does, and waits for it.
    CollectionReport Collect(SitePageSession& session) {
        CollectionReport report;
        RunOnWorker([&](MainControls&) { report = session.Collect(); });
        return report;
    }
    void SetManual() {
        window.autoCollect.SetSelected(false);
        window.manualPreview.SetSelected(true);
    }

    // Runs the routine on a real worker thread and waits for it to end.
    void RunOnWorker(const std::function<void(MainControls&)>& routine) {
        auto token = StartWorkerThread([this, routine] { routine(Controls()); });
        ASSERT_NE(token, nullptr);
        ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(120)));
    }
    std::shared_ptr<WorkerToken> StartOnWorker(const std::function<void(MainControls&)>& routine) {
        return StartWorkerThread([this, routine] { routine(Controls()); });
    }

    // The album lines and addresses the page lists now.
    static std::vector<std::string> Urls(const SitePageSession& session) {
        std::vector<std::string> urls;
        for (const AlbumEntry& album : session.Listing().albums) urls.push_back(album.url);
        return urls;
    }

    // Waits until the fixture sites were asked for a target starting with the prefix (an image the
    // viewer fetches ahead on a worker of its own); false when that never happened.
    bool AwaitRequest(const std::string& targetPrefix) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (sites.RequestsTo(targetPrefix).empty()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const auto& shown : window.messages.Messages()) texts.push_back(GbkToUtf8(shown.text));
        return texts;
    }
    std::vector<std::string> AlbumLines(Site site) {
        std::vector<std::string> lines;
        auto& albums = Page(site).albums;
        for (int i = 0; i < albums.ItemCount(); ++i) lines.push_back(albums.ItemText(i));
        return lines;
    }
    std::vector<std::string> PageItems(Site site) {
        std::vector<std::string> items;
        auto& pages = Page(site).pages;
        for (int i = 0; i < pages.ItemCount(); ++i) items.push_back(pages.ItemText(i));
        return items;
    }

    FixtureSites sites;
    Settings settings;
    fs::path base;
    fs::path saveFolder;
    MemoryMainWindow window;
};

// Waits until the condition holds; false when it never did within a minute.
inline bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A request's worker ran to its end (false: no worker, or it hung).
inline bool Done(const std::shared_ptr<WorkerToken>& token) {
    return token && token->WaitFinished(std::chrono::seconds(120));
}

inline std::vector<std::string> Numbers(int from, int to) {
    std::vector<std::string> texts;
    for (int i = from; i <= to; ++i) texts.push_back(std::to_string(i));
    return texts;
}

inline const char* SiteName(Site site) {
    switch (site) {
        case Site::C:
            return "C";
        case Site::D:
            return "D";
        case Site::E:
            return "E";
        default:
            return "other";
    }
}

}  // namespace dorvane::test

// Closing the main window while a page collection runs or has just ended: the program's loop is told to
// end, nothing is shown any more, every worker leaves within a second, and what was stored is whole.
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "app/Widgets.h"
#include "core/Worker.h"
#include "support/FixtureSites.h"

namespace dorvane::test {
namespace {

constexpr int kSiteCPage = 2;

TEST(WindowClose, NothingIsShownAfterwardsAndEveryWorkerLeaves) {
    for (const bool midway : {false, true}) {
        SCOPED_TRACE(midway);
        // Shared with the server's threads, which may still hold an image when the case ends.
        auto release = std::make_shared<std::atomic<bool>>(false);
        auto held = std::make_shared<std::atomic<int>>(0);
        FixtureSites sites({.pageCount = 1, .albumsPerPage = 2, .imagesPerAlbum = 2});
        ASSERT_TRUE(sites.Start());
        Settings settings = DefaultSettings();
        sites.PointAt(settings);
        QTemporaryDir save;
        bool closed = false;
        AnswerScope answers;
        {
            MainWindow window(RegisteredSites(settings), {}, settings);
            window.onClosed = [&closed] { closed = true; };
            window.show();
            window.Controls().saveFolder->SetText(FromQt(save.path()));
            Find<DesignTabs>(&window, "pageTabs")->Bar()->setCurrentIndex(kSiteCPage);
            ASSERT_TRUE(ProcessUntil([&] { return window.Controls().sites[kSiteCPage].albums->ItemCount() == 2; }));
            if (midway) {
                // The second album's images never arrive.
                sites.SetImageHook([release, held](const std::string& path) {
                    if (path.find("/img/c/2/") == std::string::npos) return;
                    ++*held;
                    while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                });
            }
            Find<QPushButton>(&window, "startButton")->click();
            const auto collection = window.Worker().Current();
            ASSERT_NE(collection, nullptr);
            if (midway) {
                ASSERT_TRUE(ProcessUntil([&] { return held->load() > 0; }));
            } else {
                // Ended, its completion message posted and not yet shown.
                ASSERT_TRUE(collection->WaitFinished(std::chrono::seconds(30)));
            }
            window.close();
            EXPECT_TRUE(closed);
            EXPECT_TRUE(StopAllWorkers(std::chrono::seconds(1)));
            ProcessPending();
            EXPECT_TRUE(answers.asked.empty());
        }
        *release = true;
        // Only whole images under their final names: album 1's two, and album 2's too when it ended.
        int files = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(save.path().toStdString())) {
            if (!entry.is_regular_file()) continue;
            ++files;
            EXPECT_EQ(entry.path().extension(), ".jpg") << entry.path();
            EXPECT_GT(entry.file_size(), 0u) << entry.path();
        }
        EXPECT_EQ(files, midway ? 2 : 4);
        sites.SetImageHook(nullptr);
    }
}

}  // namespace
}  // namespace dorvane::test

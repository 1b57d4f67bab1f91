// "开始采集" pressed on the Tavesh page right after another tag was picked, while that tag's listing is
// still on its way from a slow site: the collection collects the albums of the tag the user picked, and
// the window thread is never waited on meanwhile.
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "app/Widgets.h"
#include "core/CodePage.h"
#include "core/Worker.h"
#include "session/SitePageSession.h"
#include "support/FixtureSites.h"

namespace dorvane::test {
namespace {

constexpr int kTaveshPage = 1;

int FilesWithBytes(const QString& folder) {
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.toStdString()))
        files += entry.is_regular_file() && entry.file_size() > 0;
    return files;
}

TEST(CollectWhileListing, StartRightAfterATagIsPickedCollectsThatTagsAlbums) {
    std::atomic<int> slowPages{0};  // outlives the sites, whose server threads count here
    FixtureOptions options;
    options.pageCount = 1;
    options.albumsPerPage = 2;
    options.imagesPerAlbum = 2;
    FixtureSites sites(options);
    ASSERT_TRUE(sites.Start());
    Settings settings = DefaultSettings();
    sites.PointAt(settings);
    QTemporaryDir save;
    AnswerScope answers;

    MainWindow window(RegisteredSites(settings), {}, settings);
    window.show();
    window.Controls().saveFolder->SetText(FromQt(save.path()));
    auto* tabs = Find<DesignTabs>(&window, "pageTabs");
    auto* categories = Find<QComboBox>(&window, "site1_categories");
    auto* albums = Find<QListWidget>(&window, "site1_albums");
    tabs->Bar()->setCurrentIndex(6);
    tabs->Bar()->setCurrentIndex(kTaveshPage);
    ASSERT_TRUE(ProcessUntil([&] { return categories->count() == FixtureSites::kTagCount && albums->count() == 2; }));
    ASSERT_EQ(FilesWithBytes(save.path()), 0);

    // From now on every tag listing takes its time.
    sites.SetPageHook([&](const std::string& path) {
        if (path.rfind("/t/", 0) != 0) return;
        ++slowPages;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    });
    sites.ClearRequests();
    const int other = (categories->currentIndex() + 1) % categories->count();
    categories->setCurrentIndex(other);
    emit categories->activated(other);
    Find<QPushButton>(&window, "startButton")->click();
    const std::shared_ptr<WorkerToken> collection = window.Worker().Current();
    ASSERT_NE(collection, nullptr);

    // The window thread stays busy here, processing nothing, until the collection is over: a collection
    // that waited on it for anything would never end.
    EXPECT_TRUE(collection->WaitFinished(std::chrono::seconds(30)));
    EXPECT_GE(slowPages.load(), 1);
    ASSERT_TRUE(ProcessUntil([&] { return !answers.asked.empty(); }));
    EXPECT_EQ(GbkToUtf8(answers.asked.back().text), "本页采集完成");
    EXPECT_EQ(FilesWithBytes(save.path()), 2 * 2);  // two albums of two images

    // What was collected is the picked tag's listing: its address is the source, and every image was
    // asked for after that listing arrived.
    EXPECT_EQ(window.Session(kTaveshPage)->Listing().source.base, sites.TagUrl(other));
    const std::string tagPath = "/" + sites.TagUrl(other).substr(sites.HomeB().size());
    const auto requests = sites.Requests();
    size_t listed = requests.size();
    size_t images = 0;
    for (size_t i = 0; i < requests.size(); ++i) {
        if (listed == requests.size() && requests[i].target.rfind(tagPath, 0) == 0) listed = i;
        if (requests[i].target.rfind("/img/b/", 0) == 0) {
            ++images;
            EXPECT_GT(i, listed) << requests[i].target;
        }
    }
    EXPECT_GE(images, 4u);
    sites.SetPageHook(nullptr);
}

}  // namespace
}  // namespace dorvane::test

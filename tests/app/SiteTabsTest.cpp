// Tab pages "Lumeri" and "Tavesh" in the real window against the HTTPS fixture sites: a visit lists the
// albums, a double-click in "手动预览" shows the first image, "开始采集" collects the page; the renderings
// go to screenshots/ beside the others.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/CodePage.h"
#include "support/FixtureSites.h"

namespace dorvane::test {
namespace {

void GrabWindow(QWidget* window, const QString& name) {
    QDir().mkpath(QStringLiteral("screenshots"));
    EXPECT_TRUE(window->grab().save(QStringLiteral("screenshots/") + name + QStringLiteral(".png")));
}

TEST(SiteTabs, VisitOpenAndCollectSitesAAndB) {
    FixtureOptions options;
    options.pageCount = 1;  // Site A's all-albums page then lists three albums
    FixtureSites sites(options);
    ASSERT_TRUE(sites.Start());
    Settings settings = DefaultSettings();
    sites.PointAt(settings);
    QTemporaryDir save;
    AnswerScope answers;

    MainWindow window(RegisteredSites(settings), {}, settings);
    window.show();
    window.Controls().saveFolder->SetText(FromQt(save.path()));
    auto* tabs = window.findChild<DesignTabs*>(QStringLiteral("pageTabs"));
    ASSERT_NE(tabs, nullptr);

    for (int site : {0, 1}) {
        const std::string prefix = "site" + std::to_string(site) + "_";
        auto* albums = Find<QListWidget>(&window, (prefix + "albums").c_str());
        auto* counter = Find<QLabel>(&window, (prefix + "counter").c_str());
        tabs->Bar()->setCurrentIndex(6);  // the window opens on page 0: leave it to come back
        tabs->Bar()->setCurrentIndex(site);
        // Site B: tag, then page 1 of it, each on a thread of its own; the window answers meanwhile.
        ASSERT_TRUE(ProcessUntil([&] { return albums->count() == 3; })) << site;
        GrabWindow(&window, QStringLiteral("site%1_listed").arg(site));

        Find<QRadioButton>(&window, "manualPreview")->click();
        albums->setCurrentRow(1);
        emit albums->itemDoubleClicked(albums->item(1));
        ASSERT_TRUE(
            ProcessUntil([&] { return !window.Controls().sites[site].preview->GetPicture().empty(); }));
        EXPECT_EQ(counter->text(), QStringLiteral("1"));
        GrabWindow(&window, QStringLiteral("site%1_viewer").arg(site));

        Find<QRadioButton>(&window, "autoCollect")->click();
        const size_t before = answers.asked.size();
        Find<QPushButton>(&window, "startButton")->click();
        ASSERT_TRUE(ProcessUntil([&] { return answers.asked.size() > before; })) << site;
        EXPECT_EQ(GbkToUtf8(answers.asked.back().text), "本页采集完成");
    }
    // Three albums of four images per site.
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(save.path().toStdString()))
        files += entry.is_regular_file() && entry.file_size() > 0;
    EXPECT_EQ(files, 24);
}

}  // namespace
}  // namespace dorvane::test

// The buttons along the bottom of each site's preview, clicked where they show on screen, against the
// fixture sites: "下一张" steps forward, "上一张" back, "下载" keeps the image shown.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/CodePage.h"
#include "core/Settings.h"
#include "support/FixtureSites.h"
#include "text/Hash.h"

namespace dorvane::test {
namespace {

namespace fs = std::filesystem;

// A press and release where the button shows, delivered through the window to whatever lies on top there.
void ClickWhereShown(MainWindow& window, const std::string& buttonName) {
    auto* button = Find<QPushButton>(&window, buttonName.c_str());
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                      button->mapTo(&window, button->rect().center()));
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(PreviewButtons, StepBackAndForthAndKeepTheShownImage) {
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
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.Controls().saveFolder->SetText(FromQt(save.path()));
    Find<QRadioButton>(&window, "manualPreview")->click();
    auto* tabs = Find<DesignTabs>(&window, "pageTabs");
    const fs::path kept = fs::path(save.path().toStdString()) / "采集数据" / "单张采集";

    for (int site = 0; site < kSiteCount; ++site) {
        SCOPED_TRACE(site);
        const std::string prefix = "site" + std::to_string(site) + "_";
        SitePage& page = window.Controls().sites[static_cast<size_t>(site)];
        auto* albums = Find<QListWidget>(&window, (prefix + "albums").c_str());
        tabs->Bar()->setCurrentIndex(6);  // the window opens on page 0: leave it to come back
        tabs->Bar()->setCurrentIndex(site);
        ASSERT_TRUE(ProcessUntil([&] { return albums->count() > 0; }));
        albums->setCurrentRow(0);
        emit albums->itemDoubleClicked(albums->item(0));
        ASSERT_TRUE(ProcessUntil([&] { return !page.preview->GetPicture().empty(); }));
        const Bytes first = page.preview->GetPicture();
        const auto counterReads = [&](const char* text) {
            return ProcessUntil([&] { return page.counter->GetText() == text; });
        };
        ASSERT_TRUE(counterReads("1"));

        ClickWhereShown(window, prefix + "nextButton");
        ASSERT_TRUE(counterReads("2"));
        ASSERT_TRUE(ProcessUntil([&] {
            const Bytes shown = page.preview->GetPicture();
            return !shown.empty() && shown != first;
        }));
        ClickWhereShown(window, prefix + "previousButton");
        ASSERT_TRUE(counterReads("1"));
        ASSERT_TRUE(ProcessUntil([&] { return page.preview->GetPicture() == first; }));

        const size_t asked = answers.asked.size();
        ClickWhereShown(window, prefix + "downloadButton");
        ASSERT_TRUE(ProcessUntil([&] { return answers.asked.size() > asked; }));
        EXPECT_EQ(GbkToUtf8(answers.asked.back().text), "采集成功！");
        EXPECT_EQ(ReadAll(kept / (Md5Hex(first, true, true) + ".jpg")), first);
    }
}

}  // namespace
}  // namespace dorvane::test

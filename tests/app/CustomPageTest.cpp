// The custom-collection page in the real window: "开始" with "图片采集" downloads the pieces with both
// downloaders and the task timer announces the end; the rendering goes to screenshots/.
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/AppHooks.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/CodePage.h"
#include "core/Settings.h"
#include "history/HistoryStore.h"
#include "support/FixtureImages.h"
#include "support/LocalServer.h"

namespace dorvane::test {
namespace {

TEST(CustomPage, ImageCollectionEndToEnd) {
    LocalServer server;
    server.Http().Get(R"(/p/(\d+)\.jpg)", [](const httplib::Request& request, httplib::Response& res) {
        res.set_content(MakeJpeg(static_cast<uint32_t>(std::stoi(request.matches[1])), 0), "image/jpeg");
    });
    ASSERT_TRUE(server.Start());
    QTemporaryDir save;
    AnswerScope answers;
    HistoryStatus status;
    std::shared_ptr<HistoryStore> history = HistoryStore::Open(save.path().toStdString() + "/h.sqlite3", status);
    ASSERT_TRUE(history) << status.Message();
    MainWindow window({}, ProgramHooks(), DefaultSettings(), history);
    window.show();
    MainControls& c = window.Controls();
    c.saveFolder->SetText(FromQt(save.path()));
    Find<DesignTabs>(&window, "pageTabs")->Bar()->setCurrentIndex(5);
    window.ClipboardTimer()->stop();  // the test's source stays in the box

    std::string html = "<title>Pics</title>";
    for (int n = 1; n <= 5; ++n) html += "<img src='" + server.Url("/p/" + std::to_string(n) + ".jpg") + "'>";
    c.custom.sourceBox->SetText(html);
    c.custom.titleStart->SetText("<title>");
    c.custom.titleEnd->SetText("</title>");
    c.custom.contentStart->SetText("src='");
    c.custom.contentEnd->SetText("'>");
    Find<QRadioButton>(&window, "custom_imageCollect")->click();
    Find<QPushButton>(&window, "custom_startButton")->click();
    EXPECT_EQ(window.TaskTimer()->interval(), 5000);
    EXPECT_TRUE(Find<QPlainTextEdit>(&window, "custom_sourceBox")->isReadOnly());
    window.TaskTimer()->setInterval(20);  // the watcher's checks, sooner than every 5 seconds
    ASSERT_TRUE(ProcessUntil([&] { return !answers.asked.empty(); }));
    EXPECT_EQ(GbkToUtf8(answers.asked[0].text), "==== 任 务 完 成 ====");
    EXPECT_FALSE(window.TaskTimer()->isActive());
    EXPECT_TRUE(window.ClipboardTimer()->isActive());
    const std::filesystem::path task = save.path().toStdString() + "/自定义采集/Pics[5P]";
    for (int n = 1; n <= 5; ++n)
        EXPECT_GT(std::filesystem::file_size(task / (std::to_string(n) + ".jpg")), 0u) << n;
    // The window's task is in the history, each file under the task's folder.
    int recorded = 0;
    ASSERT_TRUE(history->ForEachImage({"custom", 0}, [&](const ImageRow& row) {
        recorded += std::filesystem::path(row.image.path).parent_path() == task;
    }).Ok());
    EXPECT_EQ(recorded, 5);
    window.ClipboardTimer()->stop();
    QDir().mkpath(QStringLiteral("screenshots"));
    EXPECT_TRUE(window.grab().save(QStringLiteral("screenshots/custom_task.png")));
}

}  // namespace
}  // namespace dorvane::test

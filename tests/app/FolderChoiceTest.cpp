// A save folder whose name holds characters GBK lacks, chosen in the folder dialog or typed into the box,
// is where the files go, with every character of its name.
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "core/CodePage.h"
#include "support/FixtureImages.h"

namespace dorvane::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FileContents(const fs::path& folder) {
    std::vector<std::string> contents;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::ifstream in(entry.path(), std::ios::binary);
        contents.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return contents;
}

TEST(FolderChoice, ANameOutsideGbkReachesTheDisk) {
    const char* const folderName = "jörg ☃";
    for (const bool typed : {false, true}) {
        SCOPED_TRACE(typed ? "typed into the box" : "chosen in the dialog");
        QTemporaryDir root;
        const QString chosen = root.path() + QStringLiteral("/") + U(folderName);
        AnswerScope answers;
        MainWindow window;
        if (typed) {
            Find<QLineEdit>(&window, "saveFolderBox")->setText(chosen);
        } else {
            window.folderDialog = [&](QWidget*) { return chosen; };
            Find<QPushButton>(&window, "browseButton")->click();
        }
        EXPECT_EQ(ToQt(window.Controls().saveFolder->GetText()), chosen);
        // The viewer keeps the picture shown in the save folder.
        const Bytes picture = MakeJpeg(7, 0);
        window.Controls().sites[2].preview->SetPicture(picture);
        QTest::mouseRelease(Find<QWidget>(&window, "site2_saveArea"), Qt::LeftButton, {}, QPoint(5, 5));
        ASSERT_TRUE(ProcessUntil([&] { return !answers.asked.empty(); }));
        EXPECT_EQ(GbkToUtf8(answers.asked[0].text), "采集成功！");
        const fs::path kept = fs::path(root.path().toStdString()) / folderName / "采集数据" / "单张采集";
        EXPECT_EQ(FileContents(kept), std::vector<std::string>{picture});
    }
}

}  // namespace
}  // namespace dorvane::test

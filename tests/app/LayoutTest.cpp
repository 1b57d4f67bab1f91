// Every control of the three windows at its design place, with its caption and initial state.
#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "AppTestSupport.h"
#include "app/AppHooks.h"
#include "app/CatalogueWindow.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/CodePage.h"
#include "core/Settings.h"

namespace dorvane::test {
namespace {

struct Row {
    std::string name;
    std::string parent;
    QRect geometry;
    std::string caption;  // UTF-8
    bool visible = true;
};

QString CaptionOf(QWidget* widget) {
    if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* line = qobject_cast<QLineEdit*>(widget)) return line->text();
    if (auto* multi = qobject_cast<QPlainTextEdit*>(widget)) return multi->toPlainText();
    return {};
}

void CheckRows(QWidget* window, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* widget = window->findChild<QWidget*>(QString::fromStdString(row.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), row.geometry);
        EXPECT_EQ(CaptionOf(widget), U(row.caption.c_str()));
        EXPECT_EQ(!widget->isHidden(), row.visible);
        const QString parentName = widget->parentWidget() ? widget->parentWidget()->objectName() : QString();
        EXPECT_EQ(parentName.toStdString(), row.parent);
    }
}

std::vector<Row> MainRows() {
    std::vector<Row> rows = {
        {"functionGroup", "MainWindow", {6, 1, 682, 47}, "功能选择"},
        {"autoCollect", "functionGroup", {8, 14, 80, 24}, "自动采集"},
        {"manualPreview", "functionGroup", {82, 14, 80, 24}, "手动预览"},
        {"pauseButton", "functionGroup", {157, 14, 32, 20}, "暂停"},
        {"stopButton", "functionGroup", {197, 14, 61, 20}, "停止采集"},
        {"startButton", "functionGroup", {299, 14, 77, 20}, "开始采集"},
        {"saveFolderLabel", "functionGroup", {382, 14, 64, 20}, "保存目录："},
        {"saveFolderBox", "functionGroup", {446, 14, 200, 20}, ""},
        {"browseButton", "functionGroup", {650, 14, 28, 20}, "..."},
        {"brandButton", "MainWindow", {696, 7, 93, 41}, "Velkan · Zorvik"},
        {"pageTabs", "MainWindow", {5, 48, 784, 520}, ""},
        {"updatePanel", "MainWindow", {-4, 32, 44, 24}, "", false},
        {"updateAddressBox", "updatePanel", {610, 17, 80, 20}, "", false},
        {"updateButton", "updatePanel", {41, 447, 699, 24}, "点击前往更新"},
        {"noticeBox", "updatePanel", {38, 66, 700, 400}, "版本号：\n公告内容\n公告内容", false},
        {"moreBox", "page6", {3, 24, 776, 480}, "开发中ing..."},
    };
    const char* previewCaptions[] = {
        "图片预览（Lumeri网最近不稳定，时好时坏）", "图片预览", "图片预览(图片过大时加载较慢，请耐心等待)",
        "图片预览(图片过大时加载较慢，请耐心等待)", "图片预览(图片过大时加载较慢，请耐心等待)"};
    for (int i = 0; i < kSiteCount; ++i) {
        const std::string s = "site" + std::to_string(i) + "_";
        const std::string page = "page" + std::to_string(i);
        const bool ab = i < 2;
        const bool b = i == 1;
        if (ab) {
            rows.push_back({s + "categoryLabel", page, {6, 25, 40, 20}, "分类："});
            rows.push_back({s + "categories", page, {46, 25, 109, 20}, ""});
        }
        rows.push_back(
            {s + "pageCount", page, ab ? QRect(159, 25, 88, 20) : QRect(8, 25, 88, 20), "总页数："});
        rows.push_back({s + "pages", page, ab ? QRect(243, 25, 56, 20) : QRect(97, 25, 200, 20), ""});
        rows.push_back({s + "titleGroup", page, {2, 49, 296, 464}, "标题选择"});
        rows.push_back({s + "albums", s + "titleGroup", {0, 13, 294, 443}, ""});
        rows.push_back({s + "previewGroup", page, {303, 25, 480, 488}, previewCaptions[i]});
        rows.push_back({s + "title", s + "previewGroup", {4, 14, 472, 24}, "标题："});
        rows.push_back({s + "counter", s + "previewGroup", {436, 14, 40, 24}, ""});
        rows.push_back({s + "preview", s + "previewGroup", {4, 40, 472, 444}, ""});
        rows.push_back(
            {s + "previousArea", s + "preview", b ? QRect(4, 11, 220, 425) : QRect(1, 5, 220, 432), ""});
        rows.push_back(
            {s + "nextArea", s + "preview", b ? QRect(232, 6, 234, 432) : QRect(229, 7, 234, 432), ""});
        rows.push_back({s + "saveArea", s + "preview",
                        b ? QRect(73, 373, 312, 117) : QRect(70, 374, 312, 117), "采集本张"});
    }
    const std::string notice =
        std::string("本软件内容来自于网络\n如有侵权联系作者\n72小时内删除。\n如有其他软件问题请联系作者\n") +
        DefaultSettings().contactLineUtf8;
    const std::vector<Row> custom = {
        {"custom_panel", "page5", {1, 22, 782, 493}, ""},
        {"custom_taskStatus", "custom_panel", {8, 4, 768, 16}, "等待任务"},
        {"custom_leftPicture", "custom_panel", {8, 24, 256, 166}, ""},
        {"custom_rightPicture", "custom_panel", {266, 24, 256, 166}, ""},
        {"custom_leftStatus", "custom_panel", {8, 191, 514, 16}, "等待任务"},
        {"custom_rightStatus", "custom_panel", {8, 207, 514, 16}, "等待任务"},
        {"custom_debugLabel", "custom_panel", {2, 231, 84, 16}, "工作调试区："},
        {"custom_urlBox",
         "custom_panel",
         {86, 229, 368, 18},
         "在这里输入url获取网页源码 或者 在下方直接粘贴网页源码 "},
        {"custom_fetchButton", "custom_panel", {458, 229, 64, 18}, "获取源码"},
        {"custom_sourceBox", "custom_panel", {8, 250, 514, 240}, ""},
        {"custom_titleRules", "custom_panel", {530, 22, 248, 92}, "标题规则"},
        {"custom_titleRules_startLabel", "custom_titleRules", {8, 22, 32, 24}, "首则："},
        {"custom_titleRules_endLabel", "custom_titleRules", {8, 54, 32, 24}, "尾则："},
        {"custom_titleRules_start", "custom_titleRules", {40, 22, 200, 24}, ""},
        {"custom_titleRules_end", "custom_titleRules", {40, 54, 200, 24}, ""},
        {"custom_contentRules", "custom_panel", {530, 120, 248, 90}, "采集内容规则"},
        {"custom_contentRules_start", "custom_contentRules", {40, 21, 200, 25}, ""},
        {"custom_contentRules_end", "custom_contentRules", {40, 53, 200, 25}, ""},
        {"custom_noticeBox", "custom_panel", {530, 257, 248, 136}, notice, false},
        {"custom_functionGroup", "custom_panel", {532, 412, 120, 78}, "功能"},
        {"custom_extractLinks", "custom_functionGroup", {8, 19, 80, 16}, "提取链接"},
        {"custom_imageCollect", "custom_functionGroup", {8, 39, 80, 16}, "图片采集"},
        {"custom_moreFunctions", "custom_functionGroup", {8, 59, 80, 16}, "更多功能"},
        {"custom_startButton", "custom_panel", {666, 412, 112, 78}, "开始"},
    };
    rows.insert(rows.end(), custom.begin(), custom.end());
    return rows;
}

TEST(Layout, MainWindowControlsStandAtTheirDesignPlaces) {
    MainWindow window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Dorvane"));
    EXPECT_EQ(window.Tag(), QStringLiteral("5.2.200608"));
    CheckRows(&window, MainRows());
}

// The history's news get a line of their own below the pages; a window without news keeps its design size.
TEST(Layout, AHistoryFaultGetsAStatusLineBelowThePages) {
    MainWindow window;
    EXPECT_EQ(window.size(), QSize(kMainClientWidth, kMainClientHeight));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("historyStatus")), nullptr);
    const HistoryStatus faults[] = {{HistoryFault::NotADatabase, "/data/h.sqlite3", "", 0},
                                    {HistoryFault::DiskFull, "/data/h.sqlite3", "", 0}};
    const char* said[] = {"采集记录 /data/h.sqlite3 不是数据库（文件未作改动），本次不作采集记录",
                          "采集记录 /data/h.sqlite3 写入失败：磁盘已满"};
    for (int i = 0; i < 2; ++i) {
        window.SayHistoryFault(faults[i]);
        auto* line = Find<QLabel>(&window, "historyStatus");
        EXPECT_EQ(line->text(), U(said[i]));
        EXPECT_EQ(line->geometry(), QRect(8, kMainClientHeight, kMainClientWidth - 16, 20));
        EXPECT_EQ(window.size(), QSize(kMainClientWidth, kMainClientHeight + 20));
    }
}

TEST(Layout, MainWindowInitialState) {
    MainWindow window;
    auto* tabs = Find<DesignTabs>(&window, "pageTabs");
    ASSERT_EQ(tabs->Count(), 7);
    const char* captions[] = {"Lumeri", "Tavesh", "Cosplay", "二次元", "漫图", "自定义采集", "更多..."};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(tabs->Bar()->tabText(i), U(captions[i]));
    EXPECT_EQ(tabs->Current(), 0);
    EXPECT_FALSE(tabs->Page(0)->isHidden());
    EXPECT_TRUE(tabs->Page(5)->isHidden());
    EXPECT_TRUE(Find<QRadioButton>(&window, "autoCollect")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(&window, "manualPreview")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(&window, "custom_extractLinks")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(&window, "custom_imageCollect")->isChecked());
    EXPECT_FALSE(window.ClipboardTimer()->isActive());
    EXPECT_FALSE(window.TaskTimer()->isActive());
    EXPECT_EQ(window.Controls().custom.clipboardTimer->Period(), 0);
    EXPECT_EQ(window.Controls().custom.taskTimer->Period(), 0);
    for (int i = 0; i < kSiteCount; ++i) {
        SitePage& page = window.Controls().sites[static_cast<size_t>(i)];
        EXPECT_EQ(page.pages->ItemCount(), 0);
        EXPECT_EQ(page.albums->ItemCount(), 0);
        EXPECT_EQ(page.categories != nullptr, i < 2);
        EXPECT_TRUE(page.preview->GetPicture().empty());
    }
    // The brand button and the notice box ask for "微软雅黑" first.
    EXPECT_TRUE(
        Find<QWidget>(&window, "brandButton")->font().families().contains(QStringLiteral("Microsoft YaHei")));
    EXPECT_TRUE(
        Find<QWidget>(&window, "noticeBox")->font().families().contains(QStringLiteral("Microsoft YaHei")));
}

// Each button lies wholly in the area it stands for, where no other area covers it: wherever it is
// clicked, the area takes the click. The picture's frame is left free.
TEST(Layout, SitePictureButtonsLieBeneathTheirOwnAreas) {
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const char* const buttons[][3] = {{"previousButton", "上一张", "previousArea"},
                                      {"downloadButton", "下载", "saveArea"},
                                      {"nextButton", "下一张", "nextArea"}};
    for (int i = 0; i < kSiteCount; ++i) {
        SCOPED_TRACE(i);
        Find<DesignTabs>(&window, "pageTabs")->SetCurrent(i);
        const std::string prefix = "site" + std::to_string(i) + "_";
        auto* preview = Find<PictureWidget>(&window, (prefix + "preview").c_str());
        for (const auto& [name, caption, area] : buttons) {
            SCOPED_TRACE(name);
            auto* button = Find<QPushButton>(preview, (prefix + name).c_str());
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text(), U(caption));
            EXPECT_EQ(button->accessibleName(), U(caption));
            EXPECT_TRUE(button->isVisible());
            const QRect place = button->geometry();
            EXPECT_TRUE(preview->contentsRect().contains(place));
            EXPECT_GE(place.width(), button->fontMetrics().horizontalAdvance(button->text()));
            for (const QPoint corner : {place.topLeft(), place.topRight(), place.bottomLeft(),
                                        place.bottomRight(), place.center()}) {
                QWidget* onTop = preview->childAt(corner);
                ASSERT_NE(onTop, nullptr);
                EXPECT_EQ(onTop->objectName().toStdString(), prefix + area);
            }
        }
    }
}

TEST(Layout, StartUpFillsTheFolderAndCaptionThenRunsTheVersionCheck) {
    const QString saved = QDir::currentPath();
    const QString folder = QDir::tempPath();
    ASSERT_TRUE(QDir::setCurrent(folder));
    QString captionDuringCheck;
    Text folderDuringCheck;
    AppHooks hooks;
    hooks.versionCheck = [&](MainWindow& w) {
        captionDuringCheck = w.windowTitle();
        folderDuringCheck = w.Controls().saveFolder->GetText();
    };
    MainWindow window({}, hooks);
    window.StartUp();
    QDir::setCurrent(saved);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("DorvaneV5.2.200608"));
    EXPECT_EQ(captionDuringCheck, QStringLiteral("DorvaneV5.2.200608"));
    EXPECT_EQ(ToQt(window.Controls().saveFolder->GetText()), QDir(folder).canonicalPath());
    EXPECT_EQ(folderDuringCheck, window.Controls().saveFolder->GetText());
    // No page loader runs at start-up.
    EXPECT_EQ(window.Worker().Handle(), 0u);
}

TEST(Layout, CatalogueWindowAtDesign) {
    for (int opening = 0; opening < 2; ++opening) {
        CatalogueWindow window(nullptr);
        EXPECT_EQ(window.windowTitle(), U("Velkan · Zorvik"));
        CheckRows(&window, {
                               {"announcementBox", "CatalogueWindow", {48, 3, 616, 20}, ""},
                               {"backButton", "CatalogueWindow", {720, 3, 64, 20}, "返回目录"},
                               {"catalogueList", "CatalogueWindow", {7, 25, 780, 535}, ""},
                           });
        auto* list = Find<QTreeWidget>(&window, "catalogueList");
        ASSERT_EQ(list->columnCount(), 3);
        const char* titles[] = {"编号", "内容", "获取"};
        const int widths[] = {50, 680, 50};
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(list->headerItem()->text(c), U(titles[c]));
            EXPECT_EQ(list->columnWidth(c), widths[c]);
        }
        // What one opening changes, the next does not see.
        window.Announcement()->SetText("changed");
        window.List()->InsertRow();
    }
}

TEST(Layout, AddressWindowAtDesign) {
    AddressWindow window;
    EXPECT_EQ(window.windowTitle(), U("收集不易感谢支持！您的小小支持是作者的动力！"));
    EXPECT_EQ(window.parentWidget(), nullptr);
    const std::string password = "统一解压密码【" + DefaultSettings().archivePassword + "】";
    CheckRows(&window, {
                           {"addressBox", "AddressWindow", {8, 8, 776, 80}, "正在加载地址，请稍后..."},
                           {"copyButton", "AddressWindow", {8, 93, 776, 32}, "点 击 复 制 内 容"},
                           {"passwordLabel", "AddressWindow", {197, 133, 416, 25}, password},
                           {"thanksLabel",
                            "AddressWindow",
                            {189, 155, 416, 32},
                            "收集不易感谢支持！您的小小支持是作者的动力！"},
                       });
    EXPECT_FALSE(Find<QWidget>(&window, "addressBox")->isEnabled());
    EXPECT_EQ(window.Address()->GetText(), Gbk("正在加载地址，请稍后..."));
    EXPECT_EQ(DefaultSettings().archivePassword.size(), 6u);
}

}  // namespace
}  // namespace dorvane::test

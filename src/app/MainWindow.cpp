#include "app/MainWindow.h"

#include <QEvent>

#include "app/Fonts.h"
#include "app/MainWindowParts.h"
#include "collectors/SiteRegistry.h"
#include "session/SitePageSession.h"

namespace dorvane {

QFont DefaultFont() {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    return font;
}

QFont YaHeiFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    return font;
}

QString DesignStyleSheet() {
    return QStringLiteral(
        "QGroupBox { border: 1px solid #b4b4b4; border-radius: 2px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px; top: -2px;"
        " padding: 0px 2px; }"
        "QTabBar::tab { height: 19px; padding: 0px 7px; border: 1px solid #b4b4b4; border-bottom: none;"
        " background: #e4e4e4; margin-right: -1px; }"
        "QTabBar::tab:selected { background: #fafafa; }");
}

namespace {

template <class T>
T* Place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    T* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

template <class T>
T* Place(QWidget* parent, const QString& name, int left, int top, int width, int height) {
    T* widget = new T(parent);
    widget->setObjectName(name);
    widget->setGeometry(left, top, width, height);
    return widget;
}

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

struct AreaGeometry {
    int left, top, width, height;
};

}  // namespace

SiteDescriptions RegisteredSites(const Settings& settings) {
    SiteDescriptions sites;
    for (int i = 0; i < static_cast<int>(Sites().size()); ++i) sites.push_back(DescribeSite(i, settings));
    return sites;
}

MainWindow::MainWindow(SiteDescriptions sites, AppHooks hooks, Settings settings,
                       std::shared_ptr<HistoryStore> history)
    : m_sites([&sites] {
          // One page per registered site, whatever was handed in.
          sites.resize(Sites().size());
          return std::move(sites);
      }()),
      m_settings(std::move(settings)),
      m_history(std::move(history)),
      m_hooks(std::move(hooks)),
      m_gate(std::make_shared<WindowGate>()),
      m_parts(std::make_unique<Parts>()) {
    folderDialog = nullptr;
    Build();
    BuildSessions();
    Wire();
}

namespace {

constexpr int kHistoryStatusHeight = 20;

// The window's words for what the history's status says; the file is named as the system names it.
QString HistoryFaultText(const HistoryStatus& status) {
    const QString file = QString::fromLocal8Bit(status.file);
    const QString untouched = U("（文件未作改动），本次不作采集记录");
    switch (status.fault) {
        case HistoryFault::None:
            return {};
        case HistoryFault::NotADatabase:
            return U("采集记录 %1 不是数据库").arg(file) + untouched;
        case HistoryFault::Damaged:
            return U("采集记录 %1 已损坏").arg(file) + untouched;
        case HistoryFault::NewerSchema:
            return U("采集记录 %1 由更新版本的 Dorvane 写成").arg(file) + untouched;
        case HistoryFault::NotAHistory:
            return U("采集记录 %1 是其他程序的数据库").arg(file) + untouched;
        case HistoryFault::CannotWrite:
            return U("采集记录 %1 无法写入，本次不作采集记录").arg(file);
        case HistoryFault::DiskFull:
            return U("采集记录 %1 写入失败：磁盘已满").arg(file);
        case HistoryFault::Failed:
            break;
    }
    return U("采集记录 %1 写入失败：%2").arg(file, QString::fromStdString(status.detail));
}

}  // namespace

void MainWindow::SayHistoryFault(const HistoryStatus& status) {
    Parts& p = *m_parts;
    if (!p.historyStatus) {
        p.historyStatus = Place<QLabel>(this, "historyStatus", 8, kMainClientHeight, kMainClientWidth - 16,
                                        kHistoryStatusHeight);
        setFixedSize(kMainClientWidth, kMainClientHeight + kHistoryStatusHeight);
        p.historyStatus->show();
    }
    p.historyStatus->setText(HistoryFaultText(status));
}

MainControls& MainWindow::Controls() { return m_parts->controls; }

QString MainWindow::Tag() const { return QString::fromLatin1(kVersionTag); }

QTimer* MainWindow::ClipboardTimer() const { return m_parts->clipboardTimer; }
QTimer* MainWindow::TaskTimer() const { return m_parts->taskTimer; }

void MainWindow::Build() {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Dorvane"));
    setFont(DefaultFont());
    setStyleSheet(DesignStyleSheet());
    setFixedSize(kMainClientWidth, kMainClientHeight);
    BuildTopArea();
    Parts& p = *m_parts;
    p.tabs = Place<DesignTabs>(this, "pageTabs", 5, 48, 784, 520);
    const int siteCount = SitePageCount();
    p.sites.resize(static_cast<size_t>(siteCount));
    p.controls.sites.resize(static_cast<size_t>(siteCount));
    for (int i = 0; i < siteCount; ++i) {
        QWidget* page = p.tabs->AddPage(QString::fromStdString(Sites()[static_cast<size_t>(i)].tabCaption));
        page->setObjectName(QStringLiteral("page%1").arg(i));
        BuildSitePage(i, page);
    }
    QWidget* customPage = p.tabs->AddPage(U("自定义采集"));
    customPage->setObjectName(QStringLiteral("page%1").arg(siteCount));
    BuildCustomPage(customPage);
    QWidget* morePage = p.tabs->AddPage(U("更多..."));
    morePage->setObjectName(QStringLiteral("page%1").arg(siteCount + 1));
    auto* more = Place<QPlainTextEdit>(morePage, "moreBox", 3, 24, 776, 480);
    more->setPlainText(U("开发中ing..."));
    p.tabs->SetCurrent(0);
    BuildUpdatePanel();

    MainControls& c = p.controls;
    c.saveFolder = p.Own<QtEditBox>(m_gate, p.saveFolder);
    c.autoCollect = p.Own<QtRadioButton>(m_gate, p.autoCollect);
    c.manualPreview = p.Own<QtRadioButton>(m_gate, p.manualPreview);
    c.pauseButton = p.Own<QtButton>(m_gate, p.pauseButton);
    c.stopButton = p.Own<QtButton>(m_gate, p.stopButton);
    c.startButton = p.Own<QtButton>(m_gate, p.startButton);
    c.tabs = p.Own<QtTabControl>(m_gate, p.tabs);
    p.messages = std::make_unique<QtMessageBoxes>(m_gate, this);
    p.clipboard = std::make_unique<QtClipboard>(m_gate, this);
    c.messages = p.messages.get();
    c.clipboard = p.clipboard.get();
    for (int i = 0; i < siteCount; ++i) {
        const Parts::SiteWidgets& w = p.sites[static_cast<size_t>(i)];
        SitePage& s = c.sites[static_cast<size_t>(i)];
        s.categories = w.categories ? p.Own<QtComboBox>(m_gate, w.categories) : nullptr;
        s.pageCount = p.Own<QtLabel>(m_gate, w.pageCount);
        s.pages = p.Own<QtComboBox>(m_gate, w.pages);
        s.albums = p.Own<QtListBox>(m_gate, w.albums);
        s.title = p.Own<QtLabel>(m_gate, w.title);
        s.counter = p.Own<QtLabel>(m_gate, w.counter);
        s.preview = p.Own<QtPictureBox>(m_gate, w.preview);
    }
    c.update.panel = p.Own<QtPanel>(m_gate, p.updatePanel);
    c.update.noticeBox = p.Own<QtEditBox>(m_gate, p.updateNotice);
    c.update.addressBox = p.Own<QtEditBox>(m_gate, p.updateAddress);
}

void MainWindow::BuildTopArea() {
    Parts& p = *m_parts;
    p.functionGroup = Place<QGroupBox>(this, "functionGroup", 6, 1, 682, 47);
    p.functionGroup->setTitle(U("功能选择"));
    QWidget* g = p.functionGroup;
    p.autoCollect = Place<QRadioButton>(g, "autoCollect", 8, 14, 80, 24);
    p.autoCollect->setText(U("自动采集"));
    p.autoCollect->setChecked(true);
    p.manualPreview = Place<QRadioButton>(g, "manualPreview", 82, 14, 80, 24);
    p.manualPreview->setText(U("手动预览"));
    p.pauseButton = Place<QPushButton>(g, "pauseButton", 157, 14, 32, 20);
    p.pauseButton->setText(U("暂停"));
    p.stopButton = Place<QPushButton>(g, "stopButton", 197, 14, 61, 20);
    p.stopButton->setText(U("停止采集"));
    p.startButton = Place<QPushButton>(g, "startButton", 299, 14, 77, 20);
    p.startButton->setText(U("开始采集"));
    auto* folderLabel = Place<QLabel>(g, "saveFolderLabel", 382, 14, 64, 20);
    folderLabel->setText(U("保存目录："));
    p.saveFolder = Place<QLineEdit>(g, "saveFolderBox", 446, 14, 200, 20);
    p.browseButton = Place<QPushButton>(g, "browseButton", 650, 14, 28, 20);
    p.browseButton->setText(QStringLiteral("..."));
    p.brandButton = Place<QPushButton>(this, "brandButton", 696, 7, 93, 41);
    p.brandButton->setText(U("Velkan · Zorvik"));
    p.brandButton->setFont(YaHeiFont());
    for (QPushButton* button : {p.pauseButton, p.stopButton, p.startButton, p.browseButton, p.brandButton})
        button->setAutoDefault(false);
}

void MainWindow::BuildSitePage(int index, QWidget* page) {
    Parts::SiteWidgets& w = m_parts->sites[static_cast<size_t>(index)];
    const QString prefix = QStringLiteral("site%1_").arg(index);
    auto name = [&](const char* part) { return prefix + QString::fromLatin1(part); };
    const SiteEntry& entry = Sites()[static_cast<size_t>(index)];
    const std::shared_ptr<const SiteDescription>& site = m_sites[static_cast<size_t>(index)];
    // A page without a site of its own is laid out as its registered site would be.
    const bool hasCategories = site ? site->HasMenu() : DescribeSite(index, HostSource())->HasMenu();
    if (hasCategories) {
        auto* categoryLabel = Place<QLabel>(page, name("categoryLabel"), 6, 25, 40, 20);
        categoryLabel->setText(U("分类："));
        w.categories = Place<QComboBox>(page, name("categories"), 46, 25, 109, 20);
        w.pageCount = Place<QLabel>(page, name("pageCount"), 159, 25, 88, 20);
        w.pages = Place<QComboBox>(page, name("pages"), 243, 25, 56, 20);
    } else {
        w.pageCount = Place<QLabel>(page, name("pageCount"), 8, 25, 88, 20);
        w.pages = Place<QComboBox>(page, name("pages"), 97, 25, 200, 20);
    }
    w.pageCount->setText(U("总页数："));
    auto* titleGroup = Place<QGroupBox>(page, name("titleGroup"), 2, 49, 296, 464);
    titleGroup->setTitle(U("标题选择"));
    w.albums = Place<QListWidget>(titleGroup, name("albums"), 0, 13, 294, 443);
    auto* previewGroup = Place<QGroupBox>(page, name("previewGroup"), 303, 25, 480, 488);
    previewGroup->setTitle(QString::fromStdString(entry.previewCaption));
    w.title = Place<QLabel>(previewGroup, name("title"), 4, 14, 472, 24);
    w.title->setText(U("标题："));
    w.counter = Place<QLabel>(previewGroup, name("counter"), 436, 14, 40, 24);
    w.preview = Place<PictureWidget>(previewGroup, name("preview"), 4, 40, 472, 444);
    const bool siteB = entry.coverAreas;
    const AreaGeometry previous = siteB ? AreaGeometry{4, 11, 220, 425} : AreaGeometry{1, 5, 220, 432};
    const AreaGeometry next = siteB ? AreaGeometry{232, 6, 234, 432} : AreaGeometry{229, 7, 234, 432};
    const AreaGeometry save = siteB ? AreaGeometry{73, 373, 312, 117} : AreaGeometry{70, 374, 312, 117};
    w.previousArea = Place<ClickArea>(w.preview, name("previousArea"), previous.left, previous.top,
                                      previous.width, previous.height);
    w.nextArea = Place<ClickArea>(w.preview, name("nextArea"), next.left, next.top, next.width, next.height);
    w.saveArea = Place<ClickArea>(w.preview, name("saveArea"), save.left, save.top, save.width, save.height);
    w.saveArea->setText(U("采集本张"));
    w.preview->AddButtonRow(prefix);
}

void MainWindow::BuildCustomPage(QWidget* page) {
    auto* panel = Place<QWidget>(page, "custom_panel", 1, 22, 782, 493);
    BuildCustomWorkArea(panel);
    BuildCustomRules(panel);
    BuildCustomCommands(panel);
}

// The task line, the two downloaders' pictures and lines, the address box and the source box.
void MainWindow::BuildCustomWorkArea(QWidget* panel) {
    Parts& p = *m_parts;
    CustomPage& c = p.controls.custom;
    auto* taskStatus = Place<QLabel>(panel, "custom_taskStatus", 8, 4, 768, 16);
    auto* leftPicture = Place<PictureWidget>(panel, "custom_leftPicture", 8, 24, 256, 166);
    auto* rightPicture = Place<PictureWidget>(panel, "custom_rightPicture", 266, 24, 256, 166);
    auto* leftStatus = Place<QLabel>(panel, "custom_leftStatus", 8, 191, 514, 16);
    auto* rightStatus = Place<QLabel>(panel, "custom_rightStatus", 8, 207, 514, 16);
    for (QLabel* status : {taskStatus, leftStatus, rightStatus}) status->setText(U("等待任务"));
    auto* debugLabel = Place<QLabel>(panel, "custom_debugLabel", 2, 231, 84, 16);
    debugLabel->setText(U("工作调试区："));
    p.urlBox = Place<QLineEdit>(panel, "custom_urlBox", 86, 229, 368, 18);
    p.urlBox->setText(U("在这里输入url获取网页源码 或者 在下方直接粘贴网页源码 "));
    p.fetchButton = Place<QPushButton>(panel, "custom_fetchButton", 458, 229, 64, 18);
    p.fetchButton->setText(U("获取源码"));
    p.fetchButton->setAutoDefault(false);
    p.sourceBox = Place<QPlainTextEdit>(panel, "custom_sourceBox", 8, 250, 514, 240);
    c.taskStatus = p.Own<QtLabel>(m_gate, taskStatus);
    c.leftPicture = p.Own<QtPictureBox>(m_gate, leftPicture);
    c.rightPicture = p.Own<QtPictureBox>(m_gate, rightPicture);
    c.leftStatus = p.Own<QtLabel>(m_gate, leftStatus);
    c.rightStatus = p.Own<QtLabel>(m_gate, rightStatus);
    c.urlBox = p.Own<QtEditBox>(m_gate, p.urlBox);
    c.sourceBox = p.Own<QtEditBox>(m_gate, p.sourceBox);
}

// The title and content rules: a start and an end marker each.
void MainWindow::BuildCustomRules(QWidget* panel) {
    Parts& p = *m_parts;
    CustomPage& c = p.controls.custom;
    auto rules = [&](const char* group, const char* caption, int top, int height, int startTop, int endTop,
                     int boxHeight, EditBox** startBox, EditBox** endBox) {
        const QString g = QString::fromLatin1(group);
        auto* box = Place<QGroupBox>(panel, g, 530, top, 248, height);
        box->setTitle(U(caption));
        auto* startLabel = Place<QLabel>(box, g + QStringLiteral("_startLabel"), 8, startTop, 32, boxHeight);
        startLabel->setText(U("首则："));
        auto* endLabel = Place<QLabel>(box, g + QStringLiteral("_endLabel"), 8, endTop, 32, boxHeight);
        endLabel->setText(U("尾则："));
        *startBox = p.Own<QtEditBox>(
            m_gate, Place<QLineEdit>(box, g + QStringLiteral("_start"), 40, startTop, 200, boxHeight));
        *endBox = p.Own<QtEditBox>(
            m_gate, Place<QLineEdit>(box, g + QStringLiteral("_end"), 40, endTop, 200, boxHeight));
    };
    rules("custom_titleRules", "标题规则", 22, 92, 22, 54, 24, &c.titleStart, &c.titleEnd);
    rules("custom_contentRules", "采集内容规则", 120, 90, 21, 53, 25, &c.contentStart, &c.contentEnd);
}

// The hidden notice, the three functions, "开始" and the page's two timers.
void MainWindow::BuildCustomCommands(QWidget* panel) {
    Parts& p = *m_parts;
    CustomPage& c = p.controls.custom;
    auto* notice = Place<QPlainTextEdit>(panel, "custom_noticeBox", 530, 257, 248, 136);
    notice->setPlainText(
        U("本软件内容来自于网络\n如有侵权联系作者\n72小时内删除。\n如有其他软件问题请联系作者\n") +
        QString::fromUtf8(m_settings.contactLineUtf8.c_str()));
    notice->setReadOnly(true);
    notice->hide();
    auto* functions = Place<QGroupBox>(panel, "custom_functionGroup", 532, 412, 120, 78);
    functions->setTitle(U("功能"));
    auto* extract = Place<QRadioButton>(functions, "custom_extractLinks", 8, 19, 80, 16);
    extract->setText(U("提取链接"));
    extract->setChecked(true);
    auto* collect = Place<QRadioButton>(functions, "custom_imageCollect", 8, 39, 80, 16);
    collect->setText(U("图片采集"));
    auto* more = Place<QRadioButton>(functions, "custom_moreFunctions", 8, 59, 80, 16);
    more->setText(U("更多功能"));
    p.customStart = Place<QPushButton>(panel, "custom_startButton", 666, 412, 112, 78);
    p.customStart->setText(U("开始"));
    p.customStart->setAutoDefault(false);
    p.clipboardTimer = new QTimer(this);
    p.clipboardTimer->setObjectName(QStringLiteral("custom_clipboardTimer"));
    p.taskTimer = new QTimer(this);
    p.taskTimer->setObjectName(QStringLiteral("custom_taskTimer"));
    c.noticeBox = p.Own<QtEditBox>(m_gate, notice);
    c.extractLinks = p.Own<QtRadioButton>(m_gate, extract);
    c.imageCollect = p.Own<QtRadioButton>(m_gate, collect);
    c.moreFunctions = p.Own<QtRadioButton>(m_gate, more);
    p.timers.push_back(std::make_unique<QtTimer>(m_gate, p.clipboardTimer));
    c.clipboardTimer = p.timers.back().get();
    p.timers.push_back(std::make_unique<QtTimer>(m_gate, p.taskTimer));
    c.taskTimer = p.timers.back().get();
}

void MainWindow::BuildUpdatePanel() {
    Parts& p = *m_parts;
    // Created last so that, once shown, it lies over the tab pages.
    p.updatePanel = Place<QGroupBox>(this, "updatePanel", -4, 32, 44, 24);
    p.updateAddress = Place<QLineEdit>(p.updatePanel, "updateAddressBox", 610, 17, 80, 20);
    p.updateAddress->hide();
    p.updateButton = Place<QPushButton>(p.updatePanel, "updateButton", 41, 447, 699, 24);
    p.updateButton->setText(U("点击前往更新"));
    p.updateButton->setAutoDefault(false);
    p.updateNotice = Place<QPlainTextEdit>(p.updatePanel, "noticeBox", 38, 66, 700, 400);
    p.updateNotice->setFont(YaHeiFont());
    p.updateNotice->setPlainText(U("版本号：\n公告内容\n公告内容"));
    p.updateNotice->hide();
    // The design lets the notice box reach over the button's top edge; the button stays clickable above it.
    p.updateButton->raise();
    // Once shown, the panel covers the tab pages instead of letting them show through.
    p.updatePanel->setStyleSheet(
        QStringLiteral("QGroupBox#updatePanel { background-color: palette(window); margin-top: 0px; }"));
    p.updatePanel->hide();
}

}  // namespace dorvane

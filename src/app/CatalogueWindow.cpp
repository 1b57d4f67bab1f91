#include "app/CatalogueWindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "app/AppHooks.h"
#include "app/Fonts.h"
#include "app/QtControls.h"
#include "core/Settings.h"
#include "session/CatalogueSession.h"

namespace dorvane {

namespace {

constexpr int kClientWidth = 794;
constexpr int kCatalogueClientHeight = 571;
constexpr int kAddressClientHeight = 197;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

CatalogueWindow::CatalogueWindow(QWidget* owner, AppHooks hooks, Settings settings)
    : QDialog(owner),
      m_hooks(std::move(hooks)),
      m_settings(std::move(settings)),
      m_gate(std::make_shared<WindowGate>()) {
    setObjectName(QStringLiteral("CatalogueWindow"));
    setWindowTitle(U("Velkan · Zorvik"));
    setFont(DefaultFont());
    setStyleSheet(DesignStyleSheet());
    setFixedSize(kClientWidth, kCatalogueClientHeight);
    m_announcement = new QLineEdit(this);
    m_announcement->setObjectName(QStringLiteral("announcementBox"));
    m_announcement->setGeometry(48, 3, 616, 20);
    m_backButton = new QPushButton(U("返回目录"), this);
    m_backButton->setObjectName(QStringLiteral("backButton"));
    m_backButton->setGeometry(720, 3, 64, 20);
    m_backButton->setAutoDefault(false);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("catalogueList"));
    m_list->setGeometry(7, 25, 780, 535);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({U("编号"), U("内容"), U("获取")});
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(0, 50);
    m_list->setColumnWidth(1, 680);
    m_list->setColumnWidth(2, 50);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);

    m_announcementControl = std::make_unique<QtEditBox>(m_gate, m_announcement);
    m_listControl = std::make_unique<QtReportList>(m_gate, m_list);
    m_messages = std::make_unique<QtMessageBoxes>(m_gate, this);

    connect(m_backButton, &QPushButton::clicked, this, [this] {
        if (m_hooks.catalogueBack) Guarded("catalogue back", [&] { m_hooks.catalogueBack(*this); });
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_hooks.catalogueOpenRow) Guarded("catalogue row", [&] { m_hooks.catalogueOpenRow(*this); });
    });
    if (m_hooks.catalogueCreated) Guarded("catalogue opening", [&] { m_hooks.catalogueCreated(*this); });
}

CatalogueWindow::~CatalogueWindow() {
    // The receive thread may be waiting on one of these controls; release it before disconnecting, which
    // waits for that thread.
    m_gate->Close();
    if (m_hooks.catalogueClosing) Guarded("catalogue closing", [&] { m_hooks.catalogueClosing(*this); });
}

EditBox* CatalogueWindow::Announcement() { return m_announcementControl.get(); }
ReportList* CatalogueWindow::List() { return m_listControl.get(); }
MessageBoxes* CatalogueWindow::Messages() { return m_messages.get(); }

AddressWindow::AddressWindow(const std::string& archivePassword)
    : QDialog(nullptr), m_gate(std::make_shared<WindowGate>()) {
    setObjectName(QStringLiteral("AddressWindow"));
    setWindowTitle(U("收集不易感谢支持！您的小小支持是作者的动力！"));
    setFont(DefaultFont());
    setFixedSize(kClientWidth, kAddressClientHeight);
    m_address = new QPlainTextEdit(this);
    m_address->setObjectName(QStringLiteral("addressBox"));
    m_address->setGeometry(8, 8, 776, 80);
    m_address->setPlainText(U("正在加载地址，请稍后..."));
    m_address->setEnabled(false);
    auto* copy = new QPushButton(U("点 击 复 制 内 容"), this);
    copy->setObjectName(QStringLiteral("copyButton"));
    copy->setGeometry(8, 93, 776, 32);
    copy->setAutoDefault(false);
    auto* password = new QLabel(this);
    password->setObjectName(QStringLiteral("passwordLabel"));
    password->setGeometry(197, 133, 416, 25);
    password->setAlignment(Qt::AlignCenter);
    password->setText(U("统一解压密码【") + QString::fromStdString(archivePassword) + U("】"));
    auto* thanks = new QLabel(this);
    thanks->setObjectName(QStringLiteral("thanksLabel"));
    thanks->setGeometry(189, 155, 416, 32);
    thanks->setAlignment(Qt::AlignCenter);
    thanks->setText(U("收集不易感谢支持！您的小小支持是作者的动力！"));

    m_addressControl = std::make_unique<QtEditBox>(m_gate, m_address);
    m_clipboard = std::make_unique<QtClipboard>(m_gate, this);
    connect(copy, &QPushButton::clicked, this, [this] { Guarded("address copy", [&] { OnCopy(); }); });
}

AddressWindow::~AddressWindow() { m_gate->Close(); }

EditBox* AddressWindow::Address() { return m_addressControl.get(); }

void AddressWindow::OnCopy() { m_clipboard->SetText(m_addressControl->GetText()); }

}  // namespace dorvane

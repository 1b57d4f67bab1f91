// The start-up notice and the catalogue window in the real windows, against a local HTTPS notice page and
// a local catalogue server; the renderings go to screenshots/.
#include <QDir>
#include <QEventLoop>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "AppTestSupport.h"
#include "app/AppHooks.h"
#include "app/CatalogueWindow.h"
#include "app/MainWindow.h"
#include "core/CodePage.h"
#include "core/Settings.h"
#include "notice/CatalogueProtocol.h"
#include "session/CatalogueSession.h"
#include "support/HostileCatalogue.h"
#include "support/LocalServer.h"
#include "support/TcpPeer.h"
#include "support/TestCertificate.h"

namespace dorvane::test {
namespace {

void Grab(QWidget* widget, const QString& name) {
    QDir().mkpath(QStringLiteral("screenshots"));
    EXPECT_TRUE(widget->grab().save(QStringLiteral("screenshots/") + name + QStringLiteral(".png")));
}

// The settings one test points at local servers, and a configuration folder of its own.
class ProgramScope {
public:
    ProgramScope() : m_config(MakeTempFolder("dorvane-config")) {
        // The client identifier is kept in a configuration folder of the test's own.
        setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
    }
    ~ProgramScope() {
        unsetenv("XDG_CONFIG_HOME");
        RemoveFolder(m_config);
    }

    // The windows of the test are built with these.
    Settings settings = DefaultSettings();

private:
    std::string m_config;
};

TEST(NoticeWindows, NewerVersionShowsTheNotice) {
    LocalServer server(LocalServer::Scheme::Https);
    server.Http().Get("/docs/doc1/read", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(
            "<html><head><meta charset=\"utf-8\"></head><body><p class=\"t\">【V5.2.300101】</p><p "
            "class=\"t\">【新增站点与更稳定的下载】</p><p "
            "class=\"t\">【https://update.example/dorvane】</p><p>"
            "</body></html>",
            "text/html");
    });
    ASSERT_TRUE(server.Start());
    ProgramScope scope;
    scope.settings.noticeHost = "127.0.0.1:" + std::to_string(server.Port());
    scope.settings.noticeDocument = "doc1";
    MainWindow window({}, ProgramHooks(), scope.settings);
    window.show();
    window.StartUp();  // returns at once: the page is fetched off the window thread
    auto* panel = Find<QGroupBox>(&window, "updatePanel");
    ASSERT_TRUE(ProcessUntil([&] { return panel->isVisible(); }));
    ASSERT_TRUE(ProcessUntil([&] { return !window.Controls().update.addressBox->GetText().empty(); }));
    EXPECT_EQ(Find<QPlainTextEdit>(&window, "noticeBox")->toPlainText(),
              U("版本号：V5.2.300101\n新增站点与更稳定的下载\n"));
    EXPECT_EQ(window.Controls().update.addressBox->GetText(), "https://update.example/dorvane");
    EXPECT_EQ(panel->geometry(), QRect(4, 0, 788, 568));
    Grab(&window, QStringLiteral("notice_panel"));
}

TEST(NoticeWindows, CatalogueWalkAndAddressWindow) {
    Peer server;
    ProgramScope scope;
    scope.settings.catalogueHost = "127.0.0.1";
    scope.settings.cataloguePort = server.Port();
    const auto G = [](const std::string& utf8) { return Utf8ToGbkText(utf8); };
    // The server's side of the conversation, on a thread of its own.
    std::thread peer([&] {
        if (!server.Accept()) return;
        server.Receive(notice::Greeting("0123456789ABCDEF").size());
        server.Send(G("$xtgg$欢迎使用图包目录$xtml$[1]秀人网合集\r\n[2]COSPLAY合集\r\n"));
        server.Receive(7);  // "%m1dk%" + key
        server.Send(G("$zmcs$[31]某某 COS 图包 第一期\r\n[32]某某 COS 图包 第二期\r\n"));
        const Text request = G("%gmcs%[32]某某 COS 图包 第二期");
        if (server.Receive(request.size()) == request) server.Send(G("$gmcs$https://pan.example/s/abc"));
    });
    // However the test ends, the server's thread is woken and joined.
    struct Joined {
        Peer& server;
        std::thread& thread;
        ~Joined() {
            server.Close();
            thread.join();
        }
    } joined{server, peer};
    {
        CatalogueWindow catalogue(nullptr, ProgramHooks(), scope.settings);
        catalogue.show();
        auto* list = Find<QTreeWidget>(&catalogue, "catalogueList");
        // Rows fill cell by cell: wait for the last cell of the last row.
        const auto rowsReady = [&](const char* label) {
            return ProcessUntil(
                [&] { return list->topLevelItemCount() == 2 && list->topLevelItem(1)->text(2) == U(label); });
        };
        ASSERT_TRUE(rowsReady("打开"));
        EXPECT_EQ(catalogue.Announcement()->GetText(), G("欢迎使用图包目录"));
        Grab(&catalogue, QStringLiteral("catalogue_top"));

        list->setCurrentItem(list->topLevelItem(1));
        emit list->itemDoubleClicked(list->topLevelItem(1), 1);
        ASSERT_TRUE(rowsReady("COS下载"));
        list->clearSelection();
        list->setCurrentItem(list->topLevelItem(1));
        Text shown;
        QTimer::singleShot(0, [&] {
            auto* address = dynamic_cast<AddressWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(address, nullptr);
            EXPECT_TRUE(
                ProcessUntil([&] { return address->Address()->GetText() != G("正在加载地址，请稍后..."); }));
            shown = address->Address()->GetText();
            Grab(address, QStringLiteral("catalogue_address"));
            address->reject();
        });
        emit list->itemDoubleClicked(list->topLevelItem(1), 1);  // returns when the address window closes
        EXPECT_EQ(shown, "https://pan.example/s/abc");
    }
}

// Runs the window thread's event loop, as the program does, until the condition holds; false when it did not
// within a minute. Rows reach the window in blocking calls, which a loop that sleeps between rounds slows.
bool RunUntil(const std::function<bool()>& condition) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition()) loop.quit();
    });
    QTimer::singleShot(std::chrono::minutes(1), &loop, [&] { loop.exit(1); });
    check.start(std::chrono::milliseconds(10));
    return condition() || loop.exec() == 0;
}

// The catalogue window against a server that never stops sending one list: the list keeps its first rows
// up to the limit, one tip says the answer was too long, and the window closes at once.
TEST(NoticeWindows, CatalogueFloodKeepsTheWindowBounded) {
    HostileCatalogue server({});
    ProgramScope scope;
    scope.settings.catalogueHost = "127.0.0.1";
    scope.settings.cataloguePort = server.Port();
    AnswerScope answers;
    CatalogueWindow catalogue(nullptr, ProgramHooks(), scope.settings);
    catalogue.show();
    auto* list = Find<QTreeWidget>(&catalogue, "catalogueList");
    const int maxRows = static_cast<int>(notice::SessionLimits{}.maxRows);
    // The tip comes after the rows it cut short.
    ASSERT_TRUE(RunUntil([&] { return !answers.asked.empty(); }));
    EXPECT_EQ(list->topLevelItemCount(), maxRows);
    EXPECT_EQ(answers.asked[0].text, Utf8ToGbkText("目录服务器的回答太长，超出的部分已丢弃。"));
    EXPECT_EQ(answers.asked[0].flags, 48);
    QTreeWidgetItem* last = list->topLevelItem(maxRows - 1);
    EXPECT_EQ(last->text(0), QString::number(maxRows));
    EXPECT_EQ(last->text(1),
              QStringLiteral("[%1]").arg(maxRows) + U("图包 ") + QString(40, QLatin1Char('x')));
    EXPECT_EQ(last->text(2), U("打开"));
    Grab(&catalogue, QStringLiteral("catalogue_flood"));
    ASSERT_TRUE(RunUntil([&] { return server.BytesSent() >= HostileCatalogue::DefaultFloodBytes(); }));
    EXPECT_EQ(answers.asked.size(), 1u);
}

TEST(NoticeWindows, CatalogueClosesWhileRowsAreApplied) {
    HostileCatalogue server({});
    ProgramScope scope;
    scope.settings.catalogueHost = "127.0.0.1";
    scope.settings.cataloguePort = server.Port();
    AnswerScope answers;
    auto catalogue = std::make_unique<CatalogueWindow>(nullptr, ProgramHooks(), scope.settings);
    catalogue->show();
    auto* list = Find<QTreeWidget>(catalogue.get(), "catalogueList");
    // Rows arrive a batch per window call, only while this thread processes events.
    ASSERT_TRUE(ProcessUntil([&] { return list->topLevelItemCount() > 0; }));
    ASSERT_LT(list->topLevelItemCount(), static_cast<int>(notice::SessionLimits{}.maxRows));
    catalogue.reset();  // returns without waiting for the other rows
    EXPECT_TRUE(answers.asked.empty());
}

// A server that sends a row of 4 MB and then reads nothing holds up neither the list, nor the double-click
// whose request carries the row back, nor the closing of the window.
TEST(NoticeWindows, CatalogueRequestToADeafServer) {
    HostileCatalogue::Options options;
    options.behaviour = HostileCatalogue::Behaviour::LongRowThenDeaf;
    HostileCatalogue server(options);
    ProgramScope scope;
    scope.settings.catalogueHost = "127.0.0.1";
    scope.settings.cataloguePort = server.Port();
    CatalogueWindow catalogue(nullptr, ProgramHooks(), scope.settings);
    catalogue.show();
    auto* list = Find<QTreeWidget>(&catalogue, "catalogueList");
    ASSERT_TRUE(ProcessUntil([&] { return list->topLevelItemCount() == 1; }));
    // Cut for showing: a line of megabytes would take the list seconds to draw.
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("[1]") + QString(4093, QLatin1Char('r')));
    list->setCurrentItem(list->topLevelItem(0));
    bool opened = false;
    QTimer::singleShot(0, [&] {
        auto* address = dynamic_cast<AddressWindow*>(QApplication::activeModalWidget());
        opened = address != nullptr;
        if (address) address->reject();
    });
    emit list->itemDoubleClicked(list->topLevelItem(0), 1);  // returns when the address window closes
    EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace dorvane::test

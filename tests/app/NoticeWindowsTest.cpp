// The start-up notice and the catalogue window in the real windows, against a local HTTPS notice page and
// a local catalogue server; the renderings go to screenshots/.
#include <QDir>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <thread>

#include "AppTestSupport.h"
#include "app/AppHooks.h"
#include "app/CatalogueWindow.h"
#include "app/MainWindow.h"
#include "core/CodePage.h"
#include "core/Settings.h"
#include "notice/CatalogueProtocol.h"
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
    ProgramScope() : m_settings(CurrentSettings()), m_config(MakeTempFolder("dorvane-config")) {
        // The client identifier is kept in a configuration folder of the test's own.
        setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
    }
    ~ProgramScope() {
        MutableSettings() = m_settings;
        unsetenv("XDG_CONFIG_HOME");
        RemoveFolder(m_config);
    }

private:
    Settings m_settings;
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
    MutableSettings().noticeHost = "127.0.0.1:" + std::to_string(server.Port());
    MutableSettings().noticeDocument = "doc1";
    MainWindow window({}, ProgramHooks());
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
    MutableSettings().catalogueHost = "127.0.0.1";
    MutableSettings().cataloguePort = server.Port();
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
        CatalogueWindow catalogue(nullptr, ProgramHooks());
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

}  // namespace
}  // namespace dorvane::test

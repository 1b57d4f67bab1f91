// The short window commands: clipboard mirror, URL box, source fetch, folder choice, catalogue and
// address windows, opening addresses with the system.
#include <httplib.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <thread>

#include "AppTestSupport.h"
#include "app/AppHooks.h"
#include "app/CatalogueWindow.h"
#include "app/MainWindow.h"
#include "app/SystemOpen.h"
#include "app/Widgets.h"
#include "net/HttpFetch.h"
#include "text/Wide.h"

namespace dorvane::test {
namespace {

void SetClipboard(const QString& text) { QApplication::clipboard()->setText(text); }

class SmallCommands : public ::testing::Test {
protected:
    AppHooks CatalogueHooks() {
        AppHooks hooks;
        hooks.catalogueCreated = [this](CatalogueWindow& w) { if (catalogueCreated) catalogueCreated(w); };
        hooks.catalogueClosing = [this](CatalogueWindow& w) { if (catalogueClosing) catalogueClosing(w); };
        return hooks;
    }
    void SetUp() override {
        c = &window.Controls();
        source = Find<QPlainTextEdit>(&window, "custom_sourceBox");
        url = Find<QLineEdit>(&window, "custom_urlBox");
    }
    // What a test wants the catalogue window's opening and closing to do.
    std::function<void(CatalogueWindow&)> catalogueCreated, catalogueClosing;
    MainWindow window{{}, CatalogueHooks()};
    MainControls* c = nullptr;
    QPlainTextEdit* source = nullptr;
    QLineEdit* url = nullptr;
};

TEST_F(SmallCommands, ClipboardTimerRunsOnlyOnTheCustomPage) {
    auto* tabs = Find<DesignTabs>(&window, "pageTabs");
    tabs->Bar()->setCurrentIndex(5);
    EXPECT_TRUE(window.ClipboardTimer()->isActive());
    EXPECT_EQ(window.ClipboardTimer()->interval(), 2000);
    tabs->Bar()->setCurrentIndex(6);
    EXPECT_FALSE(window.ClipboardTimer()->isActive());
}

TEST_F(SmallCommands, SourceBoxFollowsTheClipboard) {
    struct Case {
        const char* name;
        QString clipboard;
        QString typedBefore;
        Text expected;
    };
    const Case cases[] = {
        {"plain", QStringLiteral("abc"), QString(), "abc"},
        // Only a new copy replaces what the box holds: typing stays while the clipboard is unchanged.
        {"typing stays", QStringLiteral("abc"), QStringLiteral("typed"), "typed"},
        {"a new copy replaces typing", QStringLiteral("xyz"), QStringLiteral("typed"), "xyz"},
        {"chinese", U("中文页面"), QString(), Gbk("中文页面")},
        {"line ends", QStringLiteral("a\r\nb"), QString(), "a\r\nb"},
        {"empty clipboard empties the box", QString(), QStringLiteral("left over"), ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        SetClipboard(k.clipboard);
        if (!k.typedBefore.isEmpty()) source->setPlainText(k.typedBefore);
        window.OnClipboardTick();
        EXPECT_EQ(c->custom.sourceBox->GetText(), k.expected);
    }
}

TEST_F(SmallCommands, SameClipboardLeavesTheBoxAlone) {
    SetClipboard(QStringLiteral("same"));
    window.OnClipboardTick();
    source->moveCursor(QTextCursor::Start);
    window.OnClipboardTick();
    // Not rewritten: the cursor the user placed stays where it was.
    EXPECT_EQ(source->textCursor().position(), 0);
    EXPECT_EQ(c->custom.sourceBox->GetText(), "same");
}

TEST_F(SmallCommands, TimerTickMirrorsTheClipboard) {
    SetClipboard(QStringLiteral("ticked"));
    window.ClipboardTimer()->setInterval(1);
    window.ClipboardTimer()->start();
    EXPECT_TRUE(ProcessUntil([&] { return source->toPlainText() == QStringLiteral("ticked"); }));
    window.ClipboardTimer()->stop();
}

TEST_F(SmallCommands, UrlBoxEmptiesWheneverItGetsTheFocus) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    Find<DesignTabs>(&window, "pageTabs")->SetCurrent(5);
    ASSERT_FALSE(url->text().isEmpty());  // the hint
    QTest::mouseClick(url, Qt::LeftButton);
    ASSERT_TRUE(url->hasFocus());
    EXPECT_EQ(url->text(), QString());
    QTest::keyClicks(url, QStringLiteral("http://example.test/"));
    EXPECT_EQ(url->text(), QStringLiteral("http://example.test/"));
    source->setFocus();
    EXPECT_EQ(url->text(), QStringLiteral("http://example.test/"));
    url->setFocus();
    EXPECT_EQ(url->text(), QString());
}

TEST_F(SmallCommands, OpeningTheCatalogueIsModalAndStartsFreshEachTime) {
    int created = 0, closing = 0;
    Text announcementSeen = "unset";
    catalogueCreated = [&](CatalogueWindow& catalogue) {
        ++created;
        EXPECT_TRUE(catalogue.isModal() || catalogue.parentWidget() == &window);
        announcementSeen = catalogue.Announcement()->GetText();
        catalogue.Announcement()->SetText("from server");
        QTimer::singleShot(0, &catalogue, [&catalogue] {
            EXPECT_EQ(QApplication::activeModalWidget(), &catalogue);
            catalogue.reject();
        });
    };
    catalogueClosing = [&](CatalogueWindow&) { ++closing; };
    for (int i = 1; i <= 2; ++i) {
        Find<QPushButton>(&window, "brandButton")->click();
        EXPECT_EQ(created, i);
        EXPECT_EQ(closing, i);
        EXPECT_EQ(announcementSeen, "");
    }
}

TEST_F(SmallCommands, BrowseTakesTheChosenFolderAndCancelKeepsTheOldOne) {
    c->saveFolder->SetText("/home/user/pictures");
    QString answer;
    int asked = 0;
    window.folderDialog = [&](QWidget*) {
        ++asked;
        return answer;
    };
    answer = QString();  // cancelled
    Find<QPushButton>(&window, "browseButton")->click();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(c->saveFolder->GetText(), "/home/user/pictures");
    answer = U("/tmp/新建文件夹");
    Find<QPushButton>(&window, "browseButton")->click();
    EXPECT_EQ(c->saveFolder->GetText(), Gbk("/tmp/新建文件夹"));
}

TEST_F(SmallCommands, AddressWindowCopiesItsAddress) {
    AddressWindow address;
    SetClipboard(QStringLiteral("before"));
    Find<QPushButton>(&address, "copyButton")->click();
    EXPECT_EQ(QApplication::clipboard()->text(), U("正在加载地址，请稍后..."));
    address.Address()->SetText("https://pan.example/s/abc");
    Find<QPushButton>(&address, "copyButton")->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("https://pan.example/s/abc"));
}

TEST(SystemOpen, OnlyWebAddressesAreHandedOver) {
    std::vector<QString> opened;
    SetSystemOpener([&](const QUrl& url) {
        opened.push_back(url.toString());
        return true;
    });
    struct Case {
        const char* address;
        bool accepted;
    };
    const Case cases[] = {
        {"http://example.org/update", true},
        {"https://example.org/a?b=c", true},
        {"HTTPS://EXAMPLE.ORG/", true},
        {"  https://example.org/  ", true},
        {"", false},
        {"example.org/update", false},
        {"file:///etc/passwd", false},
        {"/usr/bin/xterm", false},
        {"javascript:alert(1)", false},
        {"ftp://example.org/x", false},
        {"smb://host/share", false},
        {"http://", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.address);
        const size_t before = opened.size();
        EXPECT_EQ(OpenWithSystem(k.address), k.accepted);
        EXPECT_EQ(opened.size(), before + (k.accepted ? 1 : 0));
    }
    SetSystemOpener([](const QUrl&) { return false; });
}

TEST_F(SmallCommands, UpdateButtonOpensTheUpdateAddress) {
    std::vector<QString> opened;
    SetSystemOpener([&](const QUrl& url) {
        opened.push_back(url.toString());
        return true;
    });
    auto* button = Find<QPushButton>(&window, "updateButton");
    button->click();  // empty address box: nothing opens
    c->update.addressBox->AppendText("https://example.org/dorvane/latest");
    button->click();
    c->update.addressBox->SetText("file:///bin/sh");
    button->click();
    SetSystemOpener([](const QUrl&) { return false; });
    EXPECT_EQ(opened, (std::vector<QString>{QStringLiteral("https://example.org/dorvane/latest")}));
}

// A page served as raw UTF-8 bytes, so the two answers of the question give different texts.
class SourceFetch : public SmallCommands {
protected:
    void SetUp() override {
        SmallCommands::SetUp();
        server.Get("/page", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<p>\xE4\xB8\xAD\xE6\x96\x87 page</p>", "application/octet-stream");
        });
        port = server.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port, 0);
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running()) std::this_thread::yield();
        address = "http://127.0.0.1:" + std::to_string(port) + "/page";
    }
    void TearDown() override {
        server.stop();
        if (thread.joinable()) thread.join();
    }
    void Fetch() { Find<QPushButton>(&window, "custom_fetchButton")->click(); }

    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::string address;
};

TEST_F(SourceFetch, AnswerDecidesTheCodePage) {
    const Text fetched = HttpFetch(address);
    ASSERT_FALSE(fetched.empty());
    struct Case {
        const char* name;
        int answer;
        Text expected;
    };
    const Case cases[] = {
        {"OK takes it as UTF-8", IdOk, Utf8ToGbk(fetched)},
        {"Cancel keeps it as fetched", IdCancel, fetched},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        AnswerScope answers(k.answer);
        c->custom.sourceBox->SetText("old");
        c->custom.urlBox->SetText(address);
        Fetch();
        // The page arrives off the window thread.
        EXPECT_TRUE(ProcessUntil([&] { return c->custom.sourceBox->GetText() != "old"; }));
        ASSERT_EQ(answers.asked.size(), 1u);
        EXPECT_EQ(answers.asked[0].text, Gbk("确认为[UTF-8]编码，取消为[GBK]编码！？"));
        EXPECT_EQ(answers.asked[0].flags, MbOkCancel);
        EXPECT_EQ(answers.asked[0].caption, Gbk("信息："));
        EXPECT_EQ(c->custom.sourceBox->GetText(), k.expected);
        // Clicking the button directly keeps the address.
        EXPECT_EQ(c->custom.urlBox->GetText(), address);
    }
}

TEST_F(SourceFetch, EmptyOrDeadAddressEmptiesTheSourceBox) {
    AnswerScope answers(IdOk);
    for (const std::string& bad : {std::string(), std::string("http://127.0.0.1:1/none")}) {
        SCOPED_TRACE(bad);
        c->custom.sourceBox->SetText("old");
        c->custom.urlBox->SetText(bad);
        Fetch();
        EXPECT_TRUE(ProcessUntil([&] { return c->custom.sourceBox->GetText() != "old"; }));
        EXPECT_EQ(c->custom.sourceBox->GetText(), "");
    }
    EXPECT_EQ(answers.asked.size(), 2u);
}

TEST(MessageBoxDialog, CaptionIsTheWindowTitleAndButtonsFollowTheFlags) {
    struct Case {
        int flags;
        QMessageBox::StandardButton press;
        int expected;
    };
    const Case cases[] = {
        {MbOk, QMessageBox::Ok, IdOk},
        {MbOkCancel, QMessageBox::Cancel, IdCancel},
        {MbOkCancel, QMessageBox::Ok, IdOk},
        {MbYesNo | 0x30, QMessageBox::No, IdNo},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.flags);
        QString title;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            box->button(k.press)->click();
        });
        EXPECT_EQ(QtMessageBoxes::ShowDialog(nullptr, QStringLiteral("text"), k.flags, U("提示消息")),
                  k.expected);
        EXPECT_EQ(title, U("提示消息"));
    }
}

}  // namespace
}  // namespace dorvane::test

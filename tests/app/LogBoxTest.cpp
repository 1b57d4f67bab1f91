// The custom page's source box as a task's log: many lines from a worker go in at the end while the window
// answers, and the box reads back exactly the bytes written, around whatever the user adds.
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <atomic>
#include <chrono>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "core/CodePage.h"
#include "core/Numbers.h"
#include "core/Worker.h"

namespace dorvane::test {
namespace {

TEST(LogBox, TenThousandLinesFromAWorkerKeepTheirBytes) {
    constexpr int kLines = 10000;
    // A character GBK lacks rides along: four bytes of GB18030.
    const Text snowman = Utf8ToSystemText("☃");
    // Addresses as long as image hosts hand out.
    const Text path = "http://127.0.0.1:8080/gallery/2026/12/" + std::string(150, 'a') + "/" + snowman + "/";
    const auto line = [&](int n) {
        return Gbk("【第") + IntegerText(n) + Gbk("张】") + path + IntegerText(n) + ".jpg" +
               Gbk("[采集成功]") + "\r\n";
    };
    std::atomic<int> written{0};
    QEventLoop loop;
    MainWindow window;
    EditBox* log = window.Controls().custom.sourceBox;
    auto* box = Find<QPlainTextEdit>(&window, "custom_sourceBox");
    log->SetText({});
    auto token = StartWorkerThread([&] {
        for (int n = 1; n <= kLines; ++n) {
            log->AppendText(line(n));
            ++written;
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The suite's usual bound on waiting, not a measurement: a log that copied itself for every line would
    // not get through its lines within it.
    QTimer::singleShot(std::chrono::seconds(10), &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(written.load(), kLines);
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(5)));

    Text expected;
    for (int n = 1; n <= kLines; ++n) expected += line(n);
    EXPECT_EQ(log->GetText(), expected);
    EXPECT_EQ(box->blockCount(), kLines + 1);
    EXPECT_EQ(box->document()->findBlockByNumber(kLines - 1).text() + QStringLiteral("\r\n"),
              ToQt(line(kLines)));
    // What the user adds stays, and the next line follows it.
    box->moveCursor(QTextCursor::End);
    box->insertPlainText(U("甲☃\n"));
    log->AppendText("x\r\n");
    EXPECT_EQ(log->GetText(), expected + Utf8ToSystemText("甲☃\r\n") + "x\r\n");
}

}  // namespace
}  // namespace dorvane::test

// The Qt controls keep the rules of the control layer, from the window thread and from workers.
#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QThread>
#include <atomic>
#include <thread>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/Worker.h"

namespace dorvane::test {
namespace {

Bytes PngBytes(int width, int height) {
    // Red with a blue bottom row, so that a picture shown upside down or with its channels swapped shows.
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int x = 0; x < width; ++x) image.setPixelColor(x, height - 1, Qt::blue);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(data.constData(), static_cast<size_t>(data.size()));
}

TEST(QtControls, DropDownSelectionClampsWithoutRaisingItemSelected) {
    MainWindow window;
    ComboBox* pages = window.Controls().sites[2].pages;
    auto* widget = Find<QComboBox>(&window, "site2_pages");
    QSignalSpy activated(widget, &QComboBox::activated);
    struct Case {
        int written;
        int expected;
    };
    for (const char* item : {"1", "2", "3"}) pages->AddItem(item);
    for (const Case& c :
         {Case{1, 1}, Case{2, 2}, Case{3, 2}, Case{50, 2}, Case{0, 0}, Case{-1, -1}, Case{-7, -1}}) {
        SCOPED_TRACE(c.written);
        pages->SetSelection(c.written);
        EXPECT_EQ(pages->Selection(), c.expected);
    }
    EXPECT_EQ(activated.count(), 0);
    EXPECT_EQ(pages->ItemText(2), "3");
    EXPECT_EQ(pages->ItemText(3), "");
    EXPECT_EQ(pages->ItemText(-1), "");
    pages->Clear();
    EXPECT_EQ(pages->ItemCount(), 0);
    EXPECT_EQ(pages->Selection(), -1);
}

TEST(QtControls, ListBoxItemsKeepTheirBytes) {
    MainWindow window;
    ListBox* albums = window.Controls().sites[0].albums;
    const Text gbkTitle = Gbk("相册 一");
    const Text oddBytes("\x81\x30\xFF", 3);  // not valid GBK: shown with a stand-in, read back unchanged
    EXPECT_EQ(albums->AddItem(gbkTitle), 0);
    EXPECT_EQ(albums->AddItem(oddBytes), 1);
    EXPECT_EQ(albums->ItemText(0), gbkTitle);
    EXPECT_EQ(albums->ItemText(1), oddBytes);
    EXPECT_EQ(Find<QListWidget>(&window, "site0_albums")->item(0)->text(), U("相册 一"));
    EXPECT_EQ(albums->Selection(), -1);
    albums->SetSelection(1);
    EXPECT_EQ(albums->Selection(), 1);
    albums->SetSelection(5);
    EXPECT_EQ(albums->Selection(), -1);
}

TEST(QtControls, PictureBoxGivesBackTheBytesAndShowsWhatDecodes) {
    MainWindow window;
    PictureBox* preview = window.Controls().sites[3].preview;
    auto* widget = Find<PictureWidget>(&window, "site3_preview");
    struct Case {
        const char* name;
        Bytes bytes;
        bool shown;
    };
    const Case cases[] = {
        {"png", PngBytes(40, 30), true},
        {"garbage", Bytes("\xFF\xD8\xFFnot really", 14), false},
        {"truncated png", PngBytes(40, 30).substr(0, 40), false},
        {"empty", Bytes{}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        preview->SetPicture(c.bytes);
        EXPECT_EQ(preview->GetPicture(), c.bytes);
        EXPECT_EQ(!widget->Image().isNull(), c.shown);
        if (!c.shown) continue;
        const QImage& shown = widget->Image();
        EXPECT_EQ(shown.size(), QSize(40, 30));
        EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::red));
        EXPECT_EQ(shown.pixelColor(39, 29), QColor(Qt::blue));
    }
}

TEST(QtControls, TextsRoundTripIncludingLineEnds) {
    MainWindow window;
    MainControls& c = window.Controls();
    const Text lines = Gbk("第一行\r\n第二行\r\n");
    c.custom.sourceBox->SetText(lines);
    EXPECT_EQ(c.custom.sourceBox->GetText(), lines);
    c.custom.sourceBox->AppendText("x\r\n");
    EXPECT_EQ(c.custom.sourceBox->GetText(), lines + "x\r\n");
    // What the user types is read with the system's line ends.
    Find<QPlainTextEdit>(&window, "custom_sourceBox")->setPlainText(U("甲\n乙"));
    EXPECT_EQ(c.custom.sourceBox->GetText(), Gbk("甲\r\n乙"));
    c.saveFolder->SetText("/data");
    c.saveFolder->AppendText("/x");
    EXPECT_EQ(c.saveFolder->GetText(), "/data/x");
    EXPECT_FALSE(c.custom.sourceBox->IsReadOnly());
    c.custom.sourceBox->SetReadOnly(true);
    EXPECT_TRUE(c.custom.sourceBox->IsReadOnly());
    c.sites[1].title->SetText(Gbk("标题：abc"));
    EXPECT_EQ(c.sites[1].title->GetText(), Gbk("标题：abc"));
}

TEST(QtControls, LabelsShowTextsAsPlainText) {
    MainWindow window;
    MainControls& c = window.Controls();
    const Text markup = "<img src=x><br>abc";
    const std::pair<Label*, const char*> labels[] = {
        {c.sites[0].title, "site0_title"},          {c.sites[2].pageCount, "site2_pageCount"},
        {c.sites[4].counter, "site4_counter"},      {c.custom.taskStatus, "custom_taskStatus"},
        {c.custom.leftStatus, "custom_leftStatus"}, {c.custom.rightStatus, "custom_rightStatus"},
    };
    for (const auto& [label, name] : labels) {
        SCOPED_TRACE(name);
        label->SetText(markup);
        auto* widget = Find<QLabel>(&window, name);
        EXPECT_EQ(widget->textFormat(), Qt::PlainText);
        EXPECT_EQ(widget->text(), QString::fromLatin1(markup.c_str()));
        EXPECT_EQ(label->GetText(), markup);
    }
}

TEST(QtControls, RadioButtonsCanBeClearedByTheProgram) {
    MainWindow window;
    MainControls& c = window.Controls();
    c.custom.moreFunctions->SetSelected(true);
    EXPECT_TRUE(c.custom.moreFunctions->IsSelected());
    EXPECT_FALSE(c.custom.extractLinks->IsSelected());
    c.custom.moreFunctions->SetSelected(false);
    EXPECT_FALSE(c.custom.moreFunctions->IsSelected());
    EXPECT_TRUE(Find<QRadioButton>(&window, "custom_moreFunctions")->autoExclusive());
}

TEST(QtControls, UpdatePanelMovesAndShows) {
    MainWindow window;
    UpdatePanelControls& update = window.Controls().update;
    EXPECT_FALSE(update.panel->IsVisible());
    update.panel->SetGeometry(4, 0, 788, 568);
    update.noticeBox->SetVisible(true);
    update.panel->SetVisible(true);
    auto* panel = Find<QWidget>(&window, "updatePanel");
    EXPECT_EQ(panel->geometry(), QRect(4, 0, 788, 568));
    EXPECT_TRUE(update.panel->IsVisible());
    EXPECT_TRUE(update.noticeBox->IsVisible());
}

TEST(QtControls, WorkerAccessesRunOnTheWindowThread) {
    MainWindow window;
    MainControls* c = &window.Controls();
    auto* label = Find<QLabel>(&window, "site4_title");
    std::atomic<bool> done{false};
    Text readBack;
    auto token = StartWorkerThread([&] {
        c->sites[4].title->SetText("from worker");
        readBack = c->sites[4].title->GetText();
        c->sites[4].pages->AddItem("7");
        done = true;
    });
    ASSERT_TRUE(ProcessUntil([&] { return done.load(); }));
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(5)));
    EXPECT_EQ(label->text(), QStringLiteral("from worker"));
    EXPECT_EQ(readBack, "from worker");
    EXPECT_EQ(c->sites[4].pages->ItemCount(), 1);
}

TEST(QtControls, MessageBoxFromAWorkerWaitsForTheWindowThread) {
    MainWindow window;
    AnswerScope answers(IdCancel);
    std::atomic<int> result{-1};
    MessageBoxes* boxes = window.Controls().messages;
    auto token = StartWorkerThread([&] { result = boxes->Show(Gbk("本页采集完成")); });
    ASSERT_TRUE(ProcessUntil([&] { return result.load() != -1; }));
    EXPECT_EQ(result, IdCancel);
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0].text, Gbk("本页采集完成"));
    EXPECT_EQ(answers.asked[0].caption, Gbk("信息："));
    EXPECT_EQ(answers.asked[0].flags, MbOk);
    token->WaitFinished(std::chrono::seconds(5));
}

TEST(QtControls, QueuedAccessOfAStoppedWorkerIsDropped) {
    MainWindow window;
    Label* title = window.Controls().sites[0].title;
    auto* label = Find<QLabel>(&window, "site0_title");
    std::atomic<bool> aboutToWrite{false};
    auto token = StartWorkerThread([&] {
        aboutToWrite = true;
        title->SetText("late");  // queued: this thread is not processing events now
    });
    while (!aboutToWrite) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the access reach the queue
    token->RequestStop();
    ASSERT_TRUE(ProcessUntil([&] { return token->Finished(); }));
    ProcessPending();
    EXPECT_EQ(label->text(), U("标题："));
}

TEST(QtControls, QueuedAccessOfAPausedWorkerWaitsForTheResume) {
    MainWindow window;
    Label* title = window.Controls().sites[0].title;
    auto* label = Find<QLabel>(&window, "site0_title");
    std::atomic<bool> aboutToWrite{false};
    std::atomic<bool> wrote{false};
    auto token = StartWorkerThread([&] {
        aboutToWrite = true;
        title->SetText("resumed");
        wrote = true;
    });
    while (!aboutToWrite) std::this_thread::yield();
    token->Pause();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ProcessPending();
    EXPECT_EQ(label->text(), U("标题："));
    EXPECT_FALSE(wrote);
    token->Resume();
    ASSERT_TRUE(ProcessUntil([&] { return wrote.load(); }));
    EXPECT_EQ(label->text(), QStringLiteral("resumed"));
}

TEST(QtControls, ClosingTheWindowReleasesEveryWorker) {
    auto window = std::make_unique<MainWindow>();
    std::atomic<int> workerWrites{0};
    // A tracked worker and an untracked one write until stopped.
    MainControls* c = &window->Controls();
    window->Worker().Start([&, c] {
        for (;;) {
            c->sites[0].albums->AddItem("x");
            workerWrites++;
        }
    });
    StartWorkerThread([c] {
        for (;;) c->sites[2].pageCount->SetText("y");
    });
    ASSERT_TRUE(ProcessUntil([&] { return workerWrites.load() > 3; }));
    window.reset();  // no event processing meanwhile: both are waiting on the window thread
    EXPECT_EQ(RunningWorkerCount(), 0);
}

TEST(QtControls, AClosedGateReleasesOtherThreadsWithAnEmptyResult) {
    auto gate = std::make_shared<WindowGate>();
    QLabel widget;
    QtLabel label(gate, &widget);
    label.SetText("shown");
    Text result = "unset";
    std::atomic<bool> back{false};
    std::thread plain([&] {
        result = label.GetText();  // waits: this (window) thread is not processing events
        back = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    gate->Close();
    plain.join();
    EXPECT_TRUE(back);
    EXPECT_EQ(result, "");
    ProcessPending();  // the queued read, if any, finds the gate closed
    EXPECT_EQ(widget.text(), QStringLiteral("shown"));
}

}  // namespace
}  // namespace dorvane::test

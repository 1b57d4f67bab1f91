// The in-memory controls keep the same rules as the window's controls.
#include <gtest/gtest.h>

#include "support/MemoryControls.h"
#include "core/Worker.h"

namespace dorvane {
namespace {

TEST(MemoryControls, DropDownSelectionClampsAndListBoxSelectsNone) {
    struct Case {
        int written;
        int dropDown;  // expected selection of a drop-down list with three items
        int listBox;   // and of a list box with three items
    };
    const Case cases[] = {{0, 0, 0},    {2, 2, 2},    {3, 2, -1},    {99, 2, -1},
                          {-1, -1, -1}, {-2, -1, -1}, {-100, -1, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        MemoryComboBox combo;
        MemoryListBox list;
        for (const char* item : {"a", "b", "c"}) {
            combo.AddItem(item);
            list.AddItem(item);
        }
        combo.SetSelection(c.written);
        list.SetSelection(c.written);
        EXPECT_EQ(combo.Selection(), c.dropDown);
        EXPECT_EQ(list.Selection(), c.listBox);
    }
    MemoryComboBox empty;
    empty.SetSelection(5);
    EXPECT_EQ(empty.Selection(), -1);
}

TEST(MemoryControls, ItemsOutsideTheListReadEmpty) {
    MemoryListBox list;
    EXPECT_EQ(list.AddItem("first"), 0);
    EXPECT_EQ(list.AddItem("second"), 1);
    EXPECT_EQ(list.ItemText(1), "second");
    EXPECT_EQ(list.ItemText(2), "");
    EXPECT_EQ(list.ItemText(-1), "");
    list.SetSelection(1);
    list.Clear();
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(list.Selection(), -1);
}

TEST(MemoryControls, PictureAndTextsComeBackUnchanged) {
    MemoryPictureBox picture;
    const Bytes bytes("\xFF\xD8\x00\x01garbage\x00", 12);
    picture.SetPicture(bytes);
    EXPECT_EQ(picture.GetPicture(), bytes);
    picture.SetPicture({});
    EXPECT_TRUE(picture.GetPicture().empty());
    EXPECT_EQ(picture.SetCount(), 2);

    MemoryEditBox box("a");
    box.AppendText("b\r\n");
    box.AppendText("");
    EXPECT_EQ(box.GetText(), "ab\r\n");
    EXPECT_FALSE(box.IsReadOnly());
    box.SetReadOnly(true);
    EXPECT_TRUE(box.IsReadOnly());
}

TEST(MemoryControls, ReportListCellsOutsideAreIgnored) {
    MemoryReportList list(3);
    EXPECT_EQ(list.InsertRow(), 0);
    EXPECT_EQ(list.InsertRow(), 1);
    list.SetCell(1, 2, "open");
    list.SetCell(5, 0, "lost");
    list.SetCell(0, 3, "lost");
    EXPECT_EQ(list.CellText(1, 2), "open");
    EXPECT_EQ(list.CellText(5, 0), "");
    list.Select({1, 0, 1, 7});
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 1}));
    list.DeleteAllRows();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_TRUE(list.SelectedRows().empty());
}

TEST(MemoryControls, MessageBoxesAnswerInOrderWithTheDefaultCaption) {
    MemoryMessageBoxes boxes;
    boxes.QueueAnswer(IdCancel);
    EXPECT_EQ(boxes.Show("first", MbOkCancel), IdCancel);
    EXPECT_EQ(boxes.Show("second", MbOk, "x"), IdOk);
    const auto shown = boxes.Messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, Gbk("信息："));
    EXPECT_EQ(shown[0].flags, MbOkCancel);
    EXPECT_EQ(shown[1].caption, "x");
}

TEST(MemoryControls, MainWindowStartsWithTheDesignState) {
    MemoryMainWindow window;
    MainControls& c = window.controls;
    EXPECT_EQ(c.pauseButton->GetCaption(), Gbk("暂停"));
    EXPECT_TRUE(c.autoCollect->IsSelected());
    EXPECT_FALSE(c.manualPreview->IsSelected());
    for (int i = 0; i < kSiteCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(c.sites[static_cast<size_t>(i)].categories != nullptr, i < 2);
        EXPECT_EQ(c.sites[static_cast<size_t>(i)].pageCount->GetText(), Gbk("总页数："));
    }
    ASSERT_NE(c.custom.sourceBox, nullptr);
    ASSERT_NE(c.custom.clipboardTimer, nullptr);
    EXPECT_EQ(c.custom.clipboardTimer->Period(), 0);
    EXPECT_EQ(c.custom.taskStatus->GetText(), Gbk("等待任务"));
    EXPECT_TRUE(c.custom.extractLinks->IsSelected());
    EXPECT_FALSE(c.custom.noticeBox->IsVisible());
    ASSERT_NE(c.update.panel, nullptr);
    EXPECT_FALSE(c.update.panel->IsVisible());
    c.update.panel->SetGeometry(4, 0, 788, 568);
    EXPECT_EQ(window.update.panel.Geometry().width, 788);
}

TEST(MemoryControls, StoppedWorkerChangesNothing) {
    MemoryMainWindow window;
    auto token = std::make_shared<WorkerToken>(1);
    token->RequestStop();
    MainControls& c = window.controls;
    {
        WorkerScope scope(token);
        EXPECT_THROW(c.sites[0].albums->AddItem("x"), WorkerStopped);
        EXPECT_THROW(c.custom.sourceBox->AppendText("x"), WorkerStopped);
        EXPECT_THROW(c.messages->Show("x"), WorkerStopped);
        EXPECT_THROW(c.clipboard->SetText("x"), WorkerStopped);
    }
    EXPECT_EQ(c.sites[0].albums->ItemCount(), 0);
    EXPECT_EQ(c.custom.sourceBox->GetText(), "");
    EXPECT_TRUE(window.messages.Messages().empty());
}

}  // namespace
}  // namespace dorvane

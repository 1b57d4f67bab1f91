#pragma once
// In-memory controls for tests and benchmarks. Thread-safe; every access passes the calling worker's
// check point first, exactly as the GUI controls do.
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "core/Controls.h"
#include "core/SitePage.h"

namespace dorvane {

class MemoryLabel : public Label {
public:
    explicit MemoryLabel(Text text = {}) : m_text(std::move(text)) {}
    bool IsVisible() override;
    void SetVisible(bool visible) override;
    Text GetText() override;
    void SetText(const Text& text) override;
    // Every text ever written, in order (for tests that follow status lines).
    std::vector<Text> History();

private:
    std::mutex m_mutex;
    Text m_text;
    bool m_visible = true;
    std::vector<Text> m_history;
};

class MemoryEditBox : public EditBox {
public:
    explicit MemoryEditBox(Text text = {}) : m_text(std::move(text)) {}
    bool IsVisible() override;
    void SetVisible(bool visible) override;
    Text GetText() override;
    void SetText(const Text& text) override;
    void AppendText(const Text& text) override;
    bool IsReadOnly() override;
    void SetReadOnly(bool readOnly) override;

private:
    std::mutex m_mutex;
    Text m_text;
    bool m_visible = true;
    bool m_readOnly = false;
};

// A plain container (group box, panel) that only shows, hides and moves.
class MemoryPanel : public Control {
public:
    explicit MemoryPanel(bool visible = true) : m_visible(visible) {}
    bool IsVisible() override;
    void SetVisible(bool visible) override;
    void SetGeometry(int left, int top, int width, int height) override;
    struct Rect {
        int left = 0, top = 0, width = 0, height = 0;
    };
    Rect Geometry();

private:
    std::mutex m_mutex;
    bool m_visible;
    Rect m_rect;
};

class MemoryButton : public Button {
public:
    explicit MemoryButton(Text caption = {}) : m_caption(std::move(caption)) {}
    bool IsVisible() override;
    void SetVisible(bool visible) override;
    Text GetCaption() override;
    void SetCaption(const Text& caption) override;

private:
    std::mutex m_mutex;
    Text m_caption;
    bool m_visible = true;
};

class MemoryRadioButton : public RadioButton {
public:
    explicit MemoryRadioButton(bool selected = false) : m_selected(selected) {}
    bool IsVisible() override;
    void SetVisible(bool visible) override;
    bool IsSelected() override;
    void SetSelected(bool selected) override;

private:
    std::mutex m_mutex;
    bool m_selected;
    bool m_visible = true;
};

// isDropDown selects the drop-down clamping rule for SetSelection.
class MemoryItemList {
public:
    explicit MemoryItemList(bool isDropDown) : m_dropDown(isDropDown) {}
    int ItemCount();
    Text ItemText(int index);
    int AddItem(const Text& text);
    void Clear();
    int Selection();
    void SetSelection(int index);
    std::atomic<bool> visible{true};

private:
    std::mutex m_mutex;
    bool m_dropDown;
    std::vector<Text> m_items;
    int m_selection = -1;
};

class MemoryListBox : public ListBox {
public:
    bool IsVisible() override;
    void SetVisible(bool visible) override;
    int ItemCount() override;
    Text ItemText(int index) override;
    int AddItem(const Text& text) override;
    void Clear() override;
    int Selection() override;
    void SetSelection(int index) override;

private:
    MemoryItemList m_list{false};
};

class MemoryComboBox : public ComboBox {
public:
    bool IsVisible() override;
    void SetVisible(bool visible) override;
    int ItemCount() override;
    Text ItemText(int index) override;
    int AddItem(const Text& text) override;
    void Clear() override;
    int Selection() override;
    void SetSelection(int index) override;

private:
    MemoryItemList m_list{true};
};

class MemoryPictureBox : public PictureBox {
public:
    bool IsVisible() override;
    void SetVisible(bool visible) override;
    Bytes GetPicture() override;
    void SetPicture(const Bytes& imageBytes) override;
    int SetCount();

private:
    std::mutex m_mutex;
    Bytes m_bytes;
    bool m_visible = true;
    int m_sets = 0;
};

class MemoryTabControl : public TabControl {
public:
    bool IsVisible() override;
    void SetVisible(bool visible) override;
    int CurrentPage() override;
    void SetCurrentPage(int page) override;

private:
    std::mutex m_mutex;
    int m_page = 0;
    bool m_visible = true;
};

class MemoryReportList : public ReportList {
public:
    explicit MemoryReportList(int columns = 3) : m_columns(columns) {}
    bool IsVisible() override;
    void SetVisible(bool visible) override;
    int RowCount() override;
    int InsertRow() override;
    void SetCell(int row, int column, const Text& text) override;
    Text CellText(int row, int column) override;
    std::vector<int> SelectedRows() override;
    void DeleteAllRows() override;
    void SetTextColour(int colour) override;
    // Test side: what the user selected, and the colour last set.
    void Select(std::vector<int> rows);
    int TextColour();

private:
    std::mutex m_mutex;
    int m_columns;
    std::vector<std::vector<Text>> m_rows;
    std::vector<int> m_selected;
    int m_colour = 0;
    bool m_visible = true;
};

class MemoryTimer : public Timer {
public:
    int Period() override;
    void SetPeriod(int milliseconds) override;

private:
    std::mutex m_mutex;
    int m_period = 0;
};

// Records every message; answers with queued answers, then with IdOk.
class MemoryMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        Text text;
        int flags;
        Text caption;
    };
    int Show(const Text& text, int flags = MbOk, const Text& caption = {}) override;
    void QueueAnswer(int answer);
    std::vector<Shown> Messages();

private:
    std::mutex m_mutex;
    std::vector<Shown> m_shown;
    std::deque<int> m_answers;
};

class MemoryClipboard : public Clipboard {
public:
    Text GetText() override;
    bool SetText(const Text& text) override;

private:
    std::mutex m_mutex;
    Text m_text;
};

// A complete set of main-window controls in memory, wired into MainControls.
struct MemoryMainWindow {
    MemoryMainWindow();
    MemoryEditBox saveFolder;
    MemoryRadioButton autoCollect{true};
    MemoryRadioButton manualPreview{false};
    MemoryButton pauseButton;
    MemoryButton stopButton;
    MemoryButton startButton;
    MemoryTabControl tabs;
    MemoryMessageBoxes messages;
    MemoryClipboard clipboard;
    struct Page {
        MemoryComboBox categories;
        MemoryLabel pageCount;
        MemoryComboBox pages;
        MemoryListBox albums;
        MemoryLabel title;
        MemoryLabel counter;
        MemoryPictureBox preview;
    };
    std::array<Page, kSiteCount> pages;
    struct Custom {
        MemoryLabel taskStatus, leftStatus, rightStatus;
        MemoryPictureBox leftPicture, rightPicture;
        MemoryEditBox urlBox, sourceBox, titleStart, titleEnd, contentStart, contentEnd, noticeBox;
        MemoryRadioButton extractLinks{true}, imageCollect{false}, moreFunctions{false};
        MemoryTimer clipboardTimer, taskTimer;
    } custom;
    struct Update {
        MemoryPanel panel{false};
        MemoryEditBox noticeBox, addressBox;
    } update;
    MainControls controls;
};

}  // namespace dorvane

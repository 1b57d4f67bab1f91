#pragma once
// In-memory controls for tests and benchmarks. Thread-safe; every access passes the calling worker's
// check point first, exactly as the GUI controls do.
#include <algorithm>
#include <array>
#include <deque>
#include <mutex>
#include <vector>

#include "core/Worker.h"
#include "demo/SiteNames.h"
#include "view/Controls.h"
#include "view/SitePage.h"

namespace dorvane {

// The lock of one control. An access from the program passes the worker's check point first; the test
// side (history, counts, selections made by "the user") only takes the lock.
class MemoryLock {
protected:
    std::unique_lock<std::mutex> Access() {
        WorkerCheckPoint();
        return std::unique_lock(m_mutex);
    }
    std::unique_lock<std::mutex> TestSide() { return std::unique_lock(m_mutex); }
    template <class T>
    T Read(const T& value) {
        auto lock = Access();
        return value;
    }
    template <class T>
    void Write(T& value, const T& written) {
        auto lock = Access();
        value = written;
    }

private:
    std::mutex m_mutex;
};

// What every control has: visibility (a place is not kept unless a control needs it).
template <class Interface>
class MemoryControl : public Interface, protected MemoryLock {
public:
    explicit MemoryControl(bool visible = true) : m_visible(visible) {}
    bool IsVisible() override { return Read(m_visible); }
    void SetVisible(bool visible) override { Write(m_visible, visible); }

private:
    bool m_visible;
};

class MemoryLabel : public MemoryControl<Label> {
public:
    explicit MemoryLabel(Text text = {}) : m_text(std::move(text)) {}
    Text GetText() override { return Read(m_text); }
    void SetText(const Text& text) override {
        auto lock = Access();
        m_text = text;
        m_history.push_back(text);
    }
    // Every text ever written, in order (for tests that follow status lines).
    std::vector<Text> History() {
        auto lock = TestSide();
        return m_history;
    }

private:
    Text m_text;
    std::vector<Text> m_history;
};

class MemoryEditBox : public MemoryControl<EditBox> {
public:
    explicit MemoryEditBox(Text text = {}) : m_text(std::move(text)) {}
    Text GetText() override { return Read(m_text); }
    void SetText(const Text& text) override { Write(m_text, text); }
    void AppendText(const Text& text) override {
        auto lock = Access();
        m_text += text;
    }
    bool IsReadOnly() override { return Read(m_readOnly); }
    void SetReadOnly(bool readOnly) override { Write(m_readOnly, readOnly); }

private:
    Text m_text;
    bool m_readOnly = false;
};

// A plain container (group box, panel) that only shows, hides and moves.
class MemoryPanel : public MemoryControl<Control> {
public:
    struct Rect {
        int left = 0, top = 0, width = 0, height = 0;
    };
    using MemoryControl::MemoryControl;
    void SetGeometry(int left, int top, int width, int height) override {
        Write(m_rect, Rect{left, top, width, height});
    }
    Rect Geometry() {
        auto lock = TestSide();
        return m_rect;
    }

private:
    Rect m_rect;
};

class MemoryButton : public MemoryControl<Button> {
public:
    explicit MemoryButton(Text caption = {}) : m_caption(std::move(caption)) {}
    Text GetCaption() override { return Read(m_caption); }
    void SetCaption(const Text& caption) override { Write(m_caption, caption); }

private:
    Text m_caption;
};

class MemoryRadioButton : public MemoryControl<RadioButton> {
public:
    explicit MemoryRadioButton(bool selected = false) : m_selected(selected) {}
    bool IsSelected() override { return Read(m_selected); }
    void SetSelected(bool selected) override { Write(m_selected, selected); }

private:
    bool m_selected;
};

// The list box and the drop-down list; only the selection rule differs (the drop-down clamps).
template <class Interface, bool kDropDown>
class MemoryItemList : public MemoryControl<Interface> {
public:
    int ItemCount() override {
        auto lock = this->Access();
        return static_cast<int>(m_items.size());
    }
    Text ItemText(int index) override {
        auto lock = this->Access();
        return index >= 0 && index < static_cast<int>(m_items.size()) ? m_items[static_cast<size_t>(index)]
                                                                      : Text{};
    }
    int AddItem(const Text& text) override {
        auto lock = this->Access();
        m_items.push_back(text);
        return static_cast<int>(m_items.size()) - 1;
    }
    void Clear() override {
        auto lock = this->Access();
        m_items.clear();
        m_selection = -1;
    }
    int Selection() override { return this->Read(m_selection); }
    void SetSelection(int index) override {
        auto lock = this->Access();
        const int count = static_cast<int>(m_items.size());
        if (kDropDown)
            m_selection = std::clamp(index, -1, count - 1);
        else
            m_selection = index >= 0 && index < count ? index : -1;
    }

private:
    std::vector<Text> m_items;
    int m_selection = -1;
};
using MemoryListBox = MemoryItemList<ListBox, false>;
using MemoryComboBox = MemoryItemList<ComboBox, true>;

class MemoryPictureBox : public MemoryControl<PictureBox> {
public:
    Bytes GetPicture() override { return Read(m_bytes); }
    void SetPicture(const Bytes& imageBytes) override {
        auto lock = Access();
        m_bytes = imageBytes;
        ++m_sets;
    }
    int SetCount() {
        auto lock = TestSide();
        return m_sets;
    }

private:
    Bytes m_bytes;
    int m_sets = 0;
};

class MemoryTabControl : public MemoryControl<TabControl> {
public:
    int CurrentPage() override { return Read(m_page); }
    void SetCurrentPage(int page) override { Write(m_page, page); }

private:
    int m_page = 0;
};

class MemoryReportList : public MemoryControl<ReportList> {
public:
    explicit MemoryReportList(int columns = 3) : m_columns(columns) {}
    int RowCount() override {
        auto lock = Access();
        return static_cast<int>(m_rows.size());
    }
    int InsertRow() override;
    int AppendNumberedRows(const std::vector<std::vector<Text>>& rows, int maxRows) override;
    void SetCell(int row, int column, const Text& text) override;
    Text CellText(int row, int column) override;
    std::vector<int> SelectedRows() override;
    void DeleteAllRows() override;
    void SetTextColour(int colour) override { Write(m_colour, colour); }
    // Test side: what the user selected, and the colour last set.
    void Select(std::vector<int> rows);
    int TextColour() {
        auto lock = TestSide();
        return m_colour;
    }

private:
    Text* Cell(int row, int column);  // null outside the rows or columns; with the lock held
    int m_columns;
    std::vector<std::vector<Text>> m_rows;
    std::vector<int> m_selected;
    int m_colour = 0;
};

class MemoryTimer : public Timer, protected MemoryLock {
public:
    int Period() override { return Read(m_period); }
    void SetPeriod(int milliseconds) override { Write(m_period, milliseconds); }

private:
    int m_period = 0;
};

// Records every message; answers with queued answers, then with IdOk.
class MemoryMessageBoxes : public MessageBoxes, protected MemoryLock {
public:
    struct Shown {
        Text text;
        int flags;
        Text caption;
    };
    int Show(const Text& text, int flags = MbOk, const Text& caption = {}) override;
    void QueueAnswer(int answer) {
        auto lock = TestSide();
        m_answers.push_back(answer);
    }
    std::vector<Shown> Messages() {
        auto lock = TestSide();
        return m_shown;
    }

private:
    std::vector<Shown> m_shown;
    std::deque<int> m_answers;
};

class MemoryClipboard : public Clipboard, protected MemoryLock {
public:
    Text GetText() override { return Read(m_text); }
    bool SetText(const Text& text) override {
        Write(m_text, text);
        return true;
    }

private:
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

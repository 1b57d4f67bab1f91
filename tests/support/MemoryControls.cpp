#include "support/MemoryControls.h"

#include <algorithm>

#include "core/Worker.h"

namespace dorvane {

#define DV_GUARD()          \
    WorkerCheckPoint();     \
    std::lock_guard lock(m_mutex)

bool MemoryLabel::IsVisible() { DV_GUARD(); return m_visible; }
void MemoryLabel::SetVisible(bool visible) { DV_GUARD(); m_visible = visible; }
Text MemoryLabel::GetText() { DV_GUARD(); return m_text; }
void MemoryLabel::SetText(const Text& text) {
    DV_GUARD();
    m_text = text;
    m_history.push_back(text);
}
std::vector<Text> MemoryLabel::History() {
    std::lock_guard lock(m_mutex);
    return m_history;
}

bool MemoryEditBox::IsVisible() { DV_GUARD(); return m_visible; }
void MemoryEditBox::SetVisible(bool visible) { DV_GUARD(); m_visible = visible; }
Text MemoryEditBox::GetText() { DV_GUARD(); return m_text; }
void MemoryEditBox::SetText(const Text& text) { DV_GUARD(); m_text = text; }
void MemoryEditBox::AppendText(const Text& text) { DV_GUARD(); m_text += text; }
bool MemoryEditBox::IsReadOnly() { DV_GUARD(); return m_readOnly; }
void MemoryEditBox::SetReadOnly(bool readOnly) { DV_GUARD(); m_readOnly = readOnly; }

bool MemoryPanel::IsVisible() { DV_GUARD(); return m_visible; }
void MemoryPanel::SetVisible(bool visible) { DV_GUARD(); m_visible = visible; }
void MemoryPanel::SetGeometry(int left, int top, int width, int height) {
    DV_GUARD();
    m_rect = {left, top, width, height};
}
MemoryPanel::Rect MemoryPanel::Geometry() {
    std::lock_guard lock(m_mutex);
    return m_rect;
}

bool MemoryButton::IsVisible() { DV_GUARD(); return m_visible; }
void MemoryButton::SetVisible(bool visible) { DV_GUARD(); m_visible = visible; }
Text MemoryButton::GetCaption() { DV_GUARD(); return m_caption; }
void MemoryButton::SetCaption(const Text& caption) { DV_GUARD(); m_caption = caption; }

bool MemoryRadioButton::IsVisible() { DV_GUARD(); return m_visible; }
void MemoryRadioButton::SetVisible(bool visible) { DV_GUARD(); m_visible = visible; }
bool MemoryRadioButton::IsSelected() { DV_GUARD(); return m_selected; }
void MemoryRadioButton::SetSelected(bool selected) { DV_GUARD(); m_selected = selected; }

int MemoryItemList::ItemCount() { DV_GUARD(); return static_cast<int>(m_items.size()); }
Text MemoryItemList::ItemText(int index) {
    DV_GUARD();
    if (index < 0 || index >= static_cast<int>(m_items.size())) return {};
    return m_items[static_cast<size_t>(index)];
}
int MemoryItemList::AddItem(const Text& text) {
    DV_GUARD();
    m_items.push_back(text);
    return static_cast<int>(m_items.size()) - 1;
}
void MemoryItemList::Clear() {
    DV_GUARD();
    m_items.clear();
    m_selection = -1;
}
int MemoryItemList::Selection() { DV_GUARD(); return m_selection; }
void MemoryItemList::SetSelection(int index) {
    DV_GUARD();
    const int count = static_cast<int>(m_items.size());
    if (m_dropDown) {
        if (index < -1) index = -1;
        if (index >= count) index = count - 1;
    } else if (index < 0 || index >= count) {
        index = -1;
    }
    m_selection = index;
}

#define DV_FORWARD_LIST(Class)                                                  \
    bool Class::IsVisible() { WorkerCheckPoint(); return m_list.visible; }      \
    void Class::SetVisible(bool v) { WorkerCheckPoint(); m_list.visible = v; }  \
    int Class::ItemCount() { return m_list.ItemCount(); }                       \
    Text Class::ItemText(int i) { return m_list.ItemText(i); }                  \
    int Class::AddItem(const Text& t) { return m_list.AddItem(t); }             \
    void Class::Clear() { m_list.Clear(); }                                     \
    int Class::Selection() { return m_list.Selection(); }                       \
    void Class::SetSelection(int i) { m_list.SetSelection(i); }

DV_FORWARD_LIST(MemoryListBox)
DV_FORWARD_LIST(MemoryComboBox)

bool MemoryPictureBox::IsVisible() { DV_GUARD(); return m_visible; }
void MemoryPictureBox::SetVisible(bool visible) { DV_GUARD(); m_visible = visible; }
Bytes MemoryPictureBox::GetPicture() { DV_GUARD(); return m_bytes; }
void MemoryPictureBox::SetPicture(const Bytes& imageBytes) {
    DV_GUARD();
    m_bytes = imageBytes;
    ++m_sets;
}
int MemoryPictureBox::SetCount() {
    std::lock_guard lock(m_mutex);
    return m_sets;
}

bool MemoryTabControl::IsVisible() { DV_GUARD(); return m_visible; }
void MemoryTabControl::SetVisible(bool visible) { DV_GUARD(); m_visible = visible; }
int MemoryTabControl::CurrentPage() { DV_GUARD(); return m_page; }
void MemoryTabControl::SetCurrentPage(int page) { DV_GUARD(); m_page = page; }

bool MemoryReportList::IsVisible() { DV_GUARD(); return m_visible; }
void MemoryReportList::SetVisible(bool visible) { DV_GUARD(); m_visible = visible; }
int MemoryReportList::RowCount() { DV_GUARD(); return static_cast<int>(m_rows.size()); }
int MemoryReportList::InsertRow() {
    DV_GUARD();
    m_rows.emplace_back(static_cast<size_t>(m_columns));
    return static_cast<int>(m_rows.size()) - 1;
}
void MemoryReportList::SetCell(int row, int column, const Text& text) {
    DV_GUARD();
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column >= m_columns) return;
    m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
}
Text MemoryReportList::CellText(int row, int column) {
    DV_GUARD();
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column >= m_columns) return {};
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
}
std::vector<int> MemoryReportList::SelectedRows() {
    DV_GUARD();
    std::vector<int> rows;
    for (int row : m_selected)
        if (row >= 0 && row < static_cast<int>(m_rows.size())) rows.push_back(row);
    return rows;
}
void MemoryReportList::DeleteAllRows() {
    DV_GUARD();
    m_rows.clear();
    m_selected.clear();
}
void MemoryReportList::SetTextColour(int colour) { DV_GUARD(); m_colour = colour; }
void MemoryReportList::Select(std::vector<int> rows) {
    std::lock_guard lock(m_mutex);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    m_selected = std::move(rows);
}
int MemoryReportList::TextColour() {
    std::lock_guard lock(m_mutex);
    return m_colour;
}

int MemoryTimer::Period() { DV_GUARD(); return m_period; }
void MemoryTimer::SetPeriod(int milliseconds) { DV_GUARD(); m_period = milliseconds; }

int MemoryMessageBoxes::Show(const Text& text, int flags, const Text& caption) {
    DV_GUARD();
    m_shown.push_back({text, flags, caption.empty() ? Gbk("信息：") : caption});
    if (m_answers.empty()) return IdOk;
    int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}
void MemoryMessageBoxes::QueueAnswer(int answer) {
    std::lock_guard lock(m_mutex);
    m_answers.push_back(answer);
}
std::vector<MemoryMessageBoxes::Shown> MemoryMessageBoxes::Messages() {
    std::lock_guard lock(m_mutex);
    return m_shown;
}

Text MemoryClipboard::GetText() { DV_GUARD(); return m_text; }
bool MemoryClipboard::SetText(const Text& text) {
    DV_GUARD();
    m_text = text;
    return true;
}

#undef DV_GUARD
#undef DV_FORWARD_LIST

MemoryMainWindow::MemoryMainWindow() : pauseButton(Gbk("暂停")), stopButton(Gbk("停止采集")), startButton(Gbk("开始采集")) {
    controls.saveFolder = &saveFolder;
    controls.autoCollect = &autoCollect;
    controls.manualPreview = &manualPreview;
    controls.pauseButton = &pauseButton;
    controls.stopButton = &stopButton;
    controls.startButton = &startButton;
    controls.tabs = &tabs;
    controls.messages = &messages;
    controls.clipboard = &clipboard;
    for (int i = 0; i < kSiteCount; ++i) {
        Page& p = pages[static_cast<size_t>(i)];
        p.pageCount.SetText(Gbk("总页数："));
        p.title.SetText(Gbk("标题："));
        SitePage& s = controls.sites[static_cast<size_t>(i)];
        s.categories = i < 2 ? &p.categories : nullptr;
        s.pageCount = &p.pageCount;
        s.pages = &p.pages;
        s.albums = &p.albums;
        s.title = &p.title;
        s.counter = &p.counter;
        s.preview = &p.preview;
    }
    custom.taskStatus.SetText(Gbk("等待任务"));
    custom.leftStatus.SetText(Gbk("等待任务"));
    custom.rightStatus.SetText(Gbk("等待任务"));
    CustomPage& c = controls.custom;
    c.taskStatus = &custom.taskStatus;
    c.leftPicture = &custom.leftPicture;
    c.rightPicture = &custom.rightPicture;
    c.leftStatus = &custom.leftStatus;
    c.rightStatus = &custom.rightStatus;
    c.urlBox = &custom.urlBox;
    c.sourceBox = &custom.sourceBox;
    c.titleStart = &custom.titleStart;
    c.titleEnd = &custom.titleEnd;
    c.contentStart = &custom.contentStart;
    c.contentEnd = &custom.contentEnd;
    c.noticeBox = &custom.noticeBox;
    c.extractLinks = &custom.extractLinks;
    c.imageCollect = &custom.imageCollect;
    c.moreFunctions = &custom.moreFunctions;
    c.clipboardTimer = &custom.clipboardTimer;
    c.taskTimer = &custom.taskTimer;
    custom.noticeBox.SetVisible(false);
    controls.update.panel = &update.panel;
    controls.update.noticeBox = &update.noticeBox;
    controls.update.addressBox = &update.addressBox;
    update.noticeBox.SetVisible(false);
    update.addressBox.SetVisible(false);
}

}  // namespace dorvane

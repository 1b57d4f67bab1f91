#include "support/MemoryControls.h"

#include <algorithm>

#include "core/Numbers.h"

namespace dorvane {

Text* MemoryReportList::Cell(int row, int column) {
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column >= m_columns)
        return nullptr;
    return &m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

int MemoryReportList::InsertRow() {
    auto lock = Access();
    m_rows.emplace_back(static_cast<size_t>(m_columns));
    return static_cast<int>(m_rows.size()) - 1;
}

int MemoryReportList::AppendNumberedRows(const std::vector<std::vector<Text>>& rows, int maxRows) {
    auto lock = Access();
    int appended = 0;
    for (const std::vector<Text>& cells : rows) {
        if (static_cast<int>(m_rows.size()) >= maxRows) break;
        std::vector<Text>& row = m_rows.emplace_back(static_cast<size_t>(m_columns));
        if (m_columns > 0) row[0] = IntegerText(static_cast<long long>(m_rows.size()));
        for (size_t i = 0; i < cells.size() && i + 1 < row.size(); ++i) row[i + 1] = cells[i];
        ++appended;
    }
    return appended;
}

void MemoryReportList::SetCell(int row, int column, const Text& text) {
    auto lock = Access();
    if (Text* cell = Cell(row, column)) *cell = text;
}

Text MemoryReportList::CellText(int row, int column) {
    auto lock = Access();
    const Text* cell = Cell(row, column);
    return cell ? *cell : Text{};
}

std::vector<int> MemoryReportList::SelectedRows() {
    auto lock = Access();
    std::vector<int> rows;
    for (int row : m_selected)
        if (row >= 0 && row < static_cast<int>(m_rows.size())) rows.push_back(row);
    return rows;
}

void MemoryReportList::DeleteAllRows() {
    auto lock = Access();
    m_rows.clear();
    m_selected.clear();
}

void MemoryReportList::Select(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    auto lock = TestSide();
    m_selected = std::move(rows);
}

int MemoryMessageBoxes::Show(const Text& text, int flags, const Text& caption) {
    auto lock = Access();
    m_shown.push_back({text, flags, caption.empty() ? Gbk("信息：") : caption});
    if (m_answers.empty()) return IdOk;
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

MemoryMainWindow::MemoryMainWindow()
    : pauseButton(Gbk("暂停")), stopButton(Gbk("停止采集")), startButton(Gbk("开始采集")) {
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

#include "app/QtControls.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QScrollBar>
#include <algorithm>
#include <cstring>

#include "core/Image.h"
#include "core/Worker.h"

namespace dorvane {

namespace {

QtMessageBoxes::Answerer& TheAnswerer() {
    static QtMessageBoxes::Answerer answerer;
    return answerer;
}

QByteArray Raw(const Text& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }
Text FromRaw(const QVariant& value) {
    const QByteArray raw = value.toByteArray();
    return Text(raw.constData(), static_cast<size_t>(raw.size()));
}

// Multi-line boxes hold CR LF line ends like the system's edit boxes; Qt shows plain line feeds.
QString ForDisplay(const Text& text, bool multiLine) {
    QString shown = ToQt(text);
    if (multiLine) shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QImage ToImage(const Bitmap& bitmap) {
    if (bitmap.Empty()) return {};
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGBA8888);
    if (image.isNull()) return {};
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(image.scanLine(y), bitmap.pixels.data() + static_cast<size_t>(y) * bitmap.stride,
                    static_cast<size_t>(bitmap.width) * 4);
    return image;
}

}  // namespace

bool QtControlCore::IsVisible() {
    return Call([this] { return !m_widget->isHidden(); });
}

void QtControlCore::SetVisible(bool visible) {
    Call([this, visible] { m_widget->setVisible(visible); });
}

void QtControlCore::SetGeometry(int left, int top, int width, int height) {
    Call([=, this] { m_widget->setGeometry(left, top, width, height); });
}

Text TextShadow::Read(const QString& current, bool multiLine) const {
    if (valid && current == shown) return bytes;
    // The user changed it: take the widget's text, with the system's line ends.
    QString text = current;
    if (multiLine) text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQt(text);
}

void TextShadow::Remember(const Text& text, const QString& display) {
    bytes = text;
    shown = display;
    valid = true;
}

Text QtLabel::GetText() {
    return m_core.Call([this] { return m_shadow.Read(m_label->text(), false); });
}

void QtLabel::SetText(const Text& text) {
    m_core.Call([this, text] {
        const QString shown = ToQt(text);
        m_label->setText(shown);
        m_shadow.Remember(text, shown);
    });
}

QString QtEditBox::Shown() const { return m_line ? m_line->text() : m_multi->toPlainText(); }

void QtEditBox::Show(const Text& text) {
    const QString shown = ForDisplay(text, m_multi != nullptr);
    if (m_line) {
        m_line->setText(shown);
        m_line->setCursorPosition(static_cast<int>(shown.size()));
    } else {
        m_multi->setPlainText(shown);
    }
    // Read back what the widget made of it, so that later comparisons see the widget's own form.
    m_shadow.Remember(text, Shown());
}

Text QtEditBox::GetText() {
    return m_core.Call([this] { return m_shadow.Read(Shown(), m_multi != nullptr); });
}

void QtEditBox::SetText(const Text& text) {
    m_core.Call([this, text] { Show(text); });
}

void QtEditBox::AppendText(const Text& text) {
    m_core.Call([this, text] {
        const Text whole = m_shadow.Read(Shown(), m_multi != nullptr) + text;
        if (m_line) {
            Show(whole);
            return;
        }
        QTextCursor cursor = m_multi->textCursor();
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(ForDisplay(text, true));
        m_multi->setTextCursor(cursor);
        m_multi->ensureCursorVisible();
        m_shadow.Remember(whole, Shown());
    });
}

bool QtEditBox::IsReadOnly() {
    return m_core.Call([this] { return m_line ? m_line->isReadOnly() : m_multi->isReadOnly(); });
}

void QtEditBox::SetReadOnly(bool readOnly) {
    m_core.Call([this, readOnly] {
        if (m_line)
            m_line->setReadOnly(readOnly);
        else
            m_multi->setReadOnly(readOnly);
    });
}

Text QtButton::GetCaption() {
    return m_core.Call([this] { return m_shadow.Read(m_button->text(), false); });
}

void QtButton::SetCaption(const Text& caption) {
    m_core.Call([this, caption] {
        const QString shown = ToQt(caption);
        m_button->setText(shown);
        m_shadow.Remember(caption, shown);
    });
}

bool QtRadioButton::IsSelected() {
    return m_core.Call([this] { return m_radio->isChecked(); });
}

void QtRadioButton::SetSelected(bool selected) {
    m_core.Call([this, selected] {
        // An exclusive group refuses to uncheck its checked button; the program may do so.
        const bool exclusive = m_radio->autoExclusive();
        if (!selected) m_radio->setAutoExclusive(false);
        m_radio->setChecked(selected);
        m_radio->setAutoExclusive(exclusive);
    });
}

int QtListBox::ItemCount() {
    return m_core.Call([this] { return m_list->count(); });
}

Text QtListBox::ItemText(int index) {
    return m_core.Call([this, index] {
        QListWidgetItem* item = m_list->item(index);
        return item ? FromRaw(item->data(Qt::UserRole)) : Text{};
    });
}

int QtListBox::AddItem(const Text& text) {
    return m_core.Call([this, text] {
        auto* item = new QListWidgetItem(ToQt(text));
        item->setData(Qt::UserRole, Raw(text));
        m_list->addItem(item);
        return m_list->count() - 1;
    });
}

void QtListBox::Clear() {
    m_core.Call([this] { m_list->clear(); });
}

int QtListBox::Selection() {
    return m_core.Call([this] {
        QListWidgetItem* item = m_list->currentItem();
        return item && item->isSelected() ? m_list->row(item) : -1;
    });
}

void QtListBox::SetSelection(int index) {
    m_core.Call([this, index] {
        if (index < 0 || index >= m_list->count()) {
            m_list->setCurrentRow(-1);
            m_list->clearSelection();
            return;
        }
        m_list->setCurrentRow(index);
        m_list->scrollToItem(m_list->item(index));
    });
}

int QtComboBox::ItemCount() {
    return m_core.Call([this] { return m_combo->count(); });
}

Text QtComboBox::ItemText(int index) {
    return m_core.Call([this, index] {
        if (index < 0 || index >= m_combo->count()) return Text{};
        return FromRaw(m_combo->itemData(index));
    });
}

int QtComboBox::AddItem(const Text& text) {
    return m_core.Call([this, text] {
        m_combo->addItem(ToQt(text), Raw(text));
        return m_combo->count() - 1;
    });
}

void QtComboBox::Clear() {
    m_core.Call([this] { m_combo->clear(); });
}

int QtComboBox::Selection() {
    return m_core.Call([this] { return m_combo->currentIndex(); });
}

void QtComboBox::SetSelection(int index) {
    // "Item selected" is wired to the user-only activated signal, so this never raises it.
    m_core.Call([this, index] {
        int target = std::min(index, m_combo->count() - 1);
        if (target < -1) target = -1;
        m_combo->setCurrentIndex(target);
    });
}

Bytes QtPictureBox::GetPicture() {
    return m_core.Call([this] { return m_picture->PictureBytes(); });
}

void QtPictureBox::SetPicture(const Bytes& imageBytes) {
    // Decoding can be slow: it happens on the calling thread, only the hand-over on the window thread.
    WorkerCheckPoint();
    QImage image = ToImage(DecodeImage(imageBytes));
    m_core.Call([this, imageBytes, image] { m_picture->SetPicture(imageBytes, image); });
}

int QtTabControl::CurrentPage() {
    return m_core.Call([this] { return m_tabs->Current(); });
}

void QtTabControl::SetCurrentPage(int page) {
    m_core.Call([this, page] { m_tabs->SetCurrent(page); });
}

int QtReportList::RowCount() {
    return m_core.Call([this] { return m_tree->topLevelItemCount(); });
}

int QtReportList::InsertRow() {
    return m_core.Call([this] {
        m_tree->addTopLevelItem(new QTreeWidgetItem);
        return m_tree->topLevelItemCount() - 1;
    });
}

void QtReportList::SetCell(int row, int column, const Text& text) {
    m_core.Call([this, row, column, text] {
        QTreeWidgetItem* item = m_tree->topLevelItem(row);
        if (!item || column < 0 || column >= m_tree->columnCount()) return;
        item->setText(column, ToQt(text));
        item->setData(column, Qt::UserRole, Raw(text));
    });
}

Text QtReportList::CellText(int row, int column) {
    return m_core.Call([this, row, column] {
        QTreeWidgetItem* item = m_tree->topLevelItem(row);
        if (!item || column < 0 || column >= m_tree->columnCount()) return Text{};
        return FromRaw(item->data(column, Qt::UserRole));
    });
}

std::vector<int> QtReportList::SelectedRows() {
    return m_core.Call([this] {
        std::vector<int> rows;
        for (QTreeWidgetItem* item : m_tree->selectedItems())
            rows.push_back(m_tree->indexOfTopLevelItem(item));
        std::sort(rows.begin(), rows.end());
        return rows;
    });
}

void QtReportList::DeleteAllRows() {
    m_core.Call([this] { m_tree->clear(); });
}

void QtReportList::SetTextColour(int colour) {
    m_core.Call([this, colour] {
        // The system numbers colours 0xBBGGRR.
        QPalette palette = m_tree->palette();
        palette.setColor(QPalette::Text, QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
        m_tree->setPalette(palette);
    });
}

int QtTimer::Period() {
    return OnWindowThread(m_gate, m_timer, [this] { return m_timer->isActive() ? m_timer->interval() : 0; });
}

void QtTimer::SetPeriod(int milliseconds) {
    OnWindowThread(m_gate, m_timer, [this, milliseconds] {
        if (milliseconds <= 0)
            m_timer->stop();
        else
            m_timer->start(milliseconds);
    });
}

void QtMessageBoxes::SetAnswerer(Answerer answerer) { TheAnswerer() = std::move(answerer); }

int QtMessageBoxes::ShowDialog(QWidget* owner, const QString& text, int flags, const QString& caption) {
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
        case 0x10:
            box.setIcon(QMessageBox::Critical);
            break;
        case 0x20:
            box.setIcon(QMessageBox::Question);
            break;
        case 0x30:
            box.setIcon(QMessageBox::Warning);
            break;
        case 0x40:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    switch (flags & 0xF) {
        case MbOkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MbYesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    switch (clicked ? box.standardButton(clicked) : QMessageBox::NoButton) {
        case QMessageBox::Ok:
            return IdOk;
        case QMessageBox::Yes:
            return IdYes;
        case QMessageBox::No:
            return IdNo;
        case QMessageBox::Cancel:
            return IdCancel;
        default:
            // Closed without a button: the box's cancel answer, or OK for a box that only has OK.
            if ((flags & 0xF) == MbYesNo) return IdNo;
            return (flags & 0xF) == MbOkCancel ? IdCancel : IdOk;
    }
}

int QtMessageBoxes::Show(const Text& text, int flags, const Text& caption) {
    const Text title = caption.empty() ? Gbk("信息：") : caption;
    // A box that could not be shown (its window is gone) counts as cancelled.
    auto answer = std::make_shared<int>(IdCancel);
    QWidget* owner = m_owner;
    RunOnWindowThread(m_gate, m_owner, [answer, owner, text, flags, title] {
        const Answerer answerer = TheAnswerer();
        *answer = answerer ? answerer(text, flags, title) : ShowDialog(owner, ToQt(text), flags, ToQt(title));
    });
    return *answer;
}

Text QtClipboard::GetText() {
    return OnWindowThread(m_gate, m_context, [] { return FromQt(QApplication::clipboard()->text()); });
}

bool QtClipboard::SetText(const Text& text) {
    return OnWindowThread(m_gate, m_context, [text] {
        QApplication::clipboard()->setText(ToQt(text));
        return true;
    });
}

}  // namespace dorvane

#include "app/QtControls.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>

#include "core/Image.h"
#include "core/Numbers.h"
#include "core/Worker.h"

namespace dorvane {

namespace {

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
    // A view of the decoded rows, copied into an image of its own.
    return QImage(bitmap.pixels.data(), bitmap.width, bitmap.height, bitmap.stride, QImage::Format_RGBA8888)
        .copy();
}

// The widget's own text, with the system's line ends in a multi-line box.
Text WidgetText(const QString& current, bool multiLine) {
    QString text = current;
    if (multiLine) text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQt(text);
}

// The program's own writes to a multi-line box; once done, the box holds exactly the bytes kept.
class ProgramWrite {
public:
    explicit ProgramWrite(QtEditBox::EditWatch& watch) : m_watch(watch) { m_watch.programWriting = true; }
    ~ProgramWrite() {
        m_watch.programWriting = false;
        m_watch.changedElsewhere = false;
    }
    ProgramWrite(const ProgramWrite&) = delete;
    ProgramWrite& operator=(const ProgramWrite&) = delete;

private:
    QtEditBox::EditWatch& m_watch;
};

}  // namespace

Text TextShadow::Read(const QString& current, bool multiLine) const {
    if (current == shown) return bytes;
    // The user changed it: take the widget's text.
    return WidgetText(current, multiLine);
}

QtEditBox::QtEditBox(GatePtr gate, QPlainTextEdit* multi)
    : QtControl(std::move(gate), multi), m_multi(multi), m_watch(std::make_shared<EditWatch>()) {
    QObject::connect(multi->document(), &QTextDocument::contentsChange, multi,
                     [watch = m_watch](int, int removed, int added) {
                         if (!watch->programWriting && (removed > 0 || added > 0))
                             watch->changedElsewhere = true;
                     });
}

Text QtEditBox::Read() const {
    if (m_line) return m_shadow.Read(m_line->text(), false);
    return m_watch->changedElsewhere ? WidgetText(m_multi->toPlainText(), true) : m_shadow.bytes;
}

void QtEditBox::Show(const Text& text) {
    const QString shown = ForDisplay(text, m_multi != nullptr);
    if (m_line) {
        m_line->setText(shown);
        m_line->setCursorPosition(static_cast<int>(shown.size()));
        // Read back what the widget made of it, so that later comparisons see the widget's own form.
        m_shadow = {text, m_line->text()};
        return;
    }
    {
        ProgramWrite write(*m_watch);
        m_multi->setPlainText(shown);
    }
    m_shadow = {text, {}};
}

void QtEditBox::Append(const Text& text) {
    if (m_line) return Show(Read() + text);
    // A task's log grows a line at a time to any length: the line goes in at the end of the document and
    // of the bytes kept, and neither is copied whole.
    if (m_watch->changedElsewhere) m_shadow.bytes = Read();
    {
        ProgramWrite write(*m_watch);
        QTextCursor cursor = m_multi->textCursor();
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(ForDisplay(text, true));
        m_multi->setTextCursor(cursor);
    }
    m_shadow.bytes += text;
    m_multi->ensureCursorVisible();
}

Text CellBytes(const QAbstractItemModel* model, int row, int column) {
    return FromRaw(model->index(row, column).data(Qt::UserRole));
}

void SetCellBytes(QAbstractItemModel* model, int row, int column, const Text& text) {
    const QModelIndex cell = model->index(row, column);
    if (!cell.isValid()) return;
    model->setData(cell, ToQt(text), Qt::DisplayRole);
    model->setData(cell, Raw(text), Qt::UserRole);
}

int AppendRow(QAbstractItemModel* model, const Text& text) {
    const int row = model->rowCount();
    if (!model->insertRow(row)) return -1;
    SetCellBytes(model, row, 0, text);
    return row;
}

void QtPictureBox::SetPicture(const Bytes& imageBytes) {
    // Decoding can be slow: it happens on the calling thread, only the hand-over on the window thread. The
    // bytes are copied once, into what the widget keeps; the queued call only shares them.
    WorkerCheckPoint();
    auto bytes = std::make_shared<const Bytes>(imageBytes);
    QImage image = ToImage(DecodeImage(*bytes));
    Call([this, bytes, image] { m_object->SetPicture(bytes, image); });
}

int QtReportList::AppendNumberedRows(const std::vector<std::vector<Text>>& rows, int maxRows) {
    // Many rows per call: the view lays itself out and repaints once per call, not once per row.
    return Call([this, rows, maxRows] {
        QAbstractItemModel* model = m_object->model();
        int appended = 0;
        for (const std::vector<Text>& cells : rows) {
            if (model->rowCount() >= maxRows) break;
            const int row = AppendRow(model, IntegerText(model->rowCount() + 1));
            if (row < 0) break;
            for (size_t i = 0; i < cells.size(); ++i)
                SetCellBytes(model, row, static_cast<int>(i) + 1, cells[i]);
            ++appended;
        }
        return appended;
    });
}

std::vector<int> QtReportList::SelectedRows() {
    return Call([this] {
        std::vector<int> rows;
        for (QTreeWidgetItem* item : m_object->selectedItems())
            rows.push_back(m_object->indexOfTopLevelItem(item));
        std::sort(rows.begin(), rows.end());
        return rows;
    });
}

void QtReportList::SetTextColour(int colour) {
    Call([this, colour] {
        // The system numbers colours 0xBBGGRR.
        QPalette palette = m_object->palette();
        palette.setColor(QPalette::Text, QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
        m_object->setPalette(palette);
    });
}

int QtMessageBoxes::ShowDialog(QWidget* owner, const QString& text, int flags, const QString& caption) {
    // The icon is the flags' second digit: none, stop, question, exclamation, information.
    constexpr QMessageBox::Icon kIcons[] = {QMessageBox::NoIcon, QMessageBox::Critical, QMessageBox::Question,
                                            QMessageBox::Warning, QMessageBox::Information};
    const int icon = (flags & 0xF0) >> 4;
    const int kind = flags & 0xF;
    // Closing without a button gives the box's cancel answer (the escape button), or OK when it has only OK.
    const auto [buttons, escape] =
        kind == MbOkCancel ? std::pair{QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel}
        : kind == MbYesNo  ? std::pair{QMessageBox::Yes | QMessageBox::No, QMessageBox::No}
                           : std::pair{QMessageBox::StandardButtons(QMessageBox::Ok), QMessageBox::Ok};
    QMessageBox box(icon < 5 ? kIcons[icon] : QMessageBox::NoIcon, caption, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(escape);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    const QMessageBox::StandardButton answer = clicked ? box.standardButton(clicked) : escape;
    return answer == QMessageBox::Yes      ? IdYes
           : answer == QMessageBox::No     ? IdNo
           : answer == QMessageBox::Cancel ? IdCancel
                                           : IdOk;
}

int QtMessageBoxes::Show(const Text& text, int flags, const Text& caption) {
    const Text title = caption.empty() ? Gbk("信息：") : caption;
    // A box that could not be shown (its window is gone) counts as cancelled.
    auto answer = std::make_shared<int>(IdCancel);
    RunOnWindowThread(m_gate, m_object, [answer, owner = m_object, text, flags, title] {
        const Answerer answerer = s_answerer;
        *answer = answerer ? answerer(text, flags, title) : ShowDialog(owner, ToQt(text), flags, ToQt(title));
    });
    return *answer;
}

Text QtClipboard::GetText() {
    return Call([] { return FromQt(QApplication::clipboard()->text()); });
}

bool QtClipboard::SetText(const Text& text) {
    return Call([text] {
        QApplication::clipboard()->setText(ToQt(text));
        return true;
    });
}

}  // namespace dorvane

#pragma once
// The control interfaces of view/Controls.h over Qt widgets. Every access may come from any thread: it is
// carried out on the window thread while the caller waits (GuiCall.h). Texts keep their exact GBK bytes:
// what was written is read back unchanged as long as the user has not edited the widget since.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <type_traits>

#include "app/GuiCall.h"
#include "app/QtText.h"
#include "app/Widgets.h"
#include "view/Controls.h"

namespace dorvane {

// A Qt object that any thread reaches through the window's gate.
template <class Interface, class Object>
class QtBound : public Interface {
public:
    QtBound(GatePtr gate, Object* object) : m_gate(std::move(gate)), m_object(object) {}

protected:
    template <class F>
    auto Call(F action) {
        return OnWindowThread(m_gate, m_object, std::move(action));
    }
    GatePtr m_gate;
    Object* m_object;
};

// What every control has: visibility and a place.
template <class Interface, class Widget>
class QtControl : public QtBound<Interface, Widget> {
public:
    using QtBound<Interface, Widget>::QtBound;
    bool IsVisible() override {
        return this->Call([w = this->m_object] { return !w->isHidden(); });
    }
    void SetVisible(bool visible) override {
        this->Call([w = this->m_object, visible] { w->setVisible(visible); });
    }
    void SetGeometry(int left, int top, int width, int height) override {
        this->Call([=, w = this->m_object] { w->setGeometry(left, top, width, height); });
    }
};
using QtPanel = QtControl<Control, QWidget>;

// A text as the program wrote it, kept beside what the widget shows.
struct TextShadow {
    Text bytes;
    QString shown;
    Text Read(const QString& current, bool multiLine) const;
};

// A label or button: one line of text written and read back with its exact bytes.
template <class Interface, class Widget>
class QtTextControl : public QtControl<Interface, Widget> {
public:
    using QtControl<Interface, Widget>::QtControl;

protected:
    Text ReadText() {
        return this->Call([this] { return m_shadow.Read(this->m_object->text(), false); });
    }
    void WriteText(const Text& text) {
        this->Call([this, text] {
            const QString shown = ToQt(text);
            this->m_object->setText(shown);
            m_shadow = {text, shown};
        });
    }
    TextShadow m_shadow;
};

// Plain text only: a title taken from a web page is shown as it reads, never as markup.
class QtLabel : public QtTextControl<Label, QLabel> {
public:
    QtLabel(GatePtr gate, QLabel* label) : QtTextControl(std::move(gate), label) {
        label->setTextFormat(Qt::PlainText);
    }
    Text GetText() override { return ReadText(); }
    void SetText(const Text& text) override { WriteText(text); }
};

class QtButton : public QtTextControl<Button, QAbstractButton> {
public:
    using QtTextControl::QtTextControl;
    Text GetCaption() override { return ReadText(); }
    void SetCaption(const Text& caption) override { WriteText(caption); }
};

// Over a one-line box or a multi-line one; the latter holds the system's CR LF line ends.
class QtEditBox : public QtControl<EditBox, QWidget> {
public:
    QtEditBox(GatePtr gate, QLineEdit* line) : QtControl(std::move(gate), line), m_line(line) {}
    QtEditBox(GatePtr gate, QPlainTextEdit* multi);
    Text GetText() override {
        return Call([this] { return Read(); });
    }
    void SetText(const Text& text) override {
        Call([this, text] { Show(text); });
    }
    void AppendText(const Text& text) override {
        Call([this, text] { Append(text); });
    }
    bool IsReadOnly() override {
        return Call([this] { return m_line ? m_line->isReadOnly() : m_multi->isReadOnly(); });
    }
    void SetReadOnly(bool readOnly) override {
        Call([this, readOnly] { m_line ? m_line->setReadOnly(readOnly) : m_multi->setReadOnly(readOnly); });
    }

    // Whether anything but this control (the user, the window's own set-up) changed the multi-line box
    // since the control last wrote it. Shared with the document's change signal, which may outlive the
    // control object.
    struct EditWatch {
        bool programWriting = false;
        bool changedElsewhere = true;  // until the first write, the box holds what the window put there
    };

private:
    // On the window thread.
    Text Read() const;
    void Show(const Text& text);
    void Append(const Text& text);
    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_multi = nullptr;
    // A one-line box keeps what it shows beside the bytes and compares; a multi-line box may hold a long
    // log, so it keeps only the bytes and learns of other changes from its document instead.
    TextShadow m_shadow;
    std::shared_ptr<EditWatch> m_watch;
};

class QtRadioButton : public QtControl<RadioButton, QRadioButton> {
public:
    using QtControl::QtControl;
    bool IsSelected() override {
        return Call([this] { return m_object->isChecked(); });
    }
    void SetSelected(bool selected) override {
        Call([w = m_object, selected] {
            // An exclusive group refuses to uncheck its checked button; the program may do so.
            const bool exclusive = w->autoExclusive();
            w->setAutoExclusive(exclusive && selected);
            w->setChecked(selected);
            w->setAutoExclusive(exclusive);
        });
    }
};

// Cells of an item model hold their exact bytes beside the text shown; a cell outside the model's rows or
// columns reads as the empty text and is not written.
Text CellBytes(const QAbstractItemModel* model, int row, int column);
void SetCellBytes(QAbstractItemModel* model, int row, int column, const Text& text);
// Appends a row whose first cell holds the text; its index, or -1 when the model refuses.
int AppendRow(QAbstractItemModel* model, const Text& text);

// The list box (QListWidget) and the drop-down list (QComboBox) over the widget's model; only selecting
// differs.
template <class Interface, class Widget>
class QtItemList : public QtControl<Interface, Widget> {
public:
    using QtControl<Interface, Widget>::QtControl;
    int ItemCount() override {
        return this->Call([this] { return this->m_object->count(); });
    }
    Text ItemText(int index) override {
        return this->Call([this, index] { return CellBytes(this->m_object->model(), index, 0); });
    }
    int AddItem(const Text& text) override {
        return this->Call([this, text] { return AppendRow(this->m_object->model(), text); });
    }
    void Clear() override {
        this->Call([this] { this->m_object->clear(); });
    }
    int Selection() override {
        return this->Call([w = this->m_object] {
            if constexpr (std::is_same_v<Widget, QComboBox>)
                return w->currentIndex();
            else
                return w->currentItem() && w->currentItem()->isSelected() ? w->currentRow() : -1;
        });
    }
    // The drop-down clamps; "item selected" is wired to its user-only activated signal, so this never
    // raises it. The list box selects none outside the items.
    void SetSelection(int index) override {
        this->Call([w = this->m_object, index] {
            if constexpr (std::is_same_v<Widget, QComboBox>) {
                w->setCurrentIndex(std::clamp(index, -1, w->count() - 1));
            } else if (index < 0 || index >= w->count()) {
                w->setCurrentRow(-1);
                w->clearSelection();
            } else {
                w->setCurrentRow(index);
                w->scrollToItem(w->item(index));
            }
        });
    }
};
using QtListBox = QtItemList<ListBox, QListWidget>;
using QtComboBox = QtItemList<ComboBox, QComboBox>;

class QtPictureBox : public QtControl<PictureBox, PictureWidget> {
public:
    using QtControl::QtControl;
    Bytes GetPicture() override {
        return Call([this] { return m_object->PictureBytes(); });
    }
    void SetPicture(const Bytes& imageBytes) override;
};

class QtTabControl : public QtControl<TabControl, DesignTabs> {
public:
    using QtControl::QtControl;
    int CurrentPage() override {
        return Call([this] { return m_object->Current(); });
    }
    void SetCurrentPage(int page) override {
        Call([this, page] { m_object->SetCurrent(page); });
    }
};

class QtReportList : public QtControl<ReportList, QTreeWidget> {
public:
    using QtControl::QtControl;
    int RowCount() override {
        return Call([this] { return m_object->topLevelItemCount(); });
    }
    int InsertRow() override {
        return Call([this] { return AppendRow(m_object->model(), {}); });
    }
    int AppendNumberedRows(const std::vector<std::vector<Text>>& rows, int maxRows) override;
    void SetCell(int row, int column, const Text& text) override {
        Call([this, row, column, text] { SetCellBytes(m_object->model(), row, column, text); });
    }
    Text CellText(int row, int column) override {
        return Call([this, row, column] { return CellBytes(m_object->model(), row, column); });
    }
    std::vector<int> SelectedRows() override;
    void DeleteAllRows() override {
        Call([this] { m_object->clear(); });
    }
    void SetTextColour(int colour) override;
};

class QtTimer : public QtBound<Timer, QTimer> {
public:
    using QtBound::QtBound;
    int Period() override {
        return Call([this] { return m_object->isActive() ? m_object->interval() : 0; });
    }
    void SetPeriod(int milliseconds) override {
        Call([this, milliseconds] { milliseconds > 0 ? m_object->start(milliseconds) : m_object->stop(); });
    }
};

// Message boxes through one seam. The caption becomes the box's window title.
class QtMessageBoxes : public QtBound<MessageBoxes, QWidget> {
public:
    using Answerer = std::function<int(const Text& text, int flags, const Text& caption)>;
    using QtBound::QtBound;
    int Show(const Text& text, int flags = MbOk, const Text& caption = {}) override;
    // Tests answer every box through this instead of a real dialog (window thread only).
    static void SetAnswerer(Answerer answerer) { s_answerer = std::move(answerer); }
    // The real dialog, for one box (window thread).
    static int ShowDialog(QWidget* owner, const QString& text, int flags, const QString& caption);

private:
    static inline Answerer s_answerer;
};

class QtClipboard : public QtBound<Clipboard, QObject> {
public:
    using QtBound::QtBound;
    Text GetText() override;
    bool SetText(const Text& text) override;
};

}  // namespace dorvane

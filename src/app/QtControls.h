#pragma once
// The control interfaces of core/Controls.h over Qt widgets. Every access may come from any thread: it is
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
#include <functional>

#include "app/GuiCall.h"
#include "app/Widgets.h"
#include "core/Controls.h"

namespace dorvane {

// Shared plumbing: the widget, the window's gate, and the properties every control has.
class QtControlCore {
public:
    QtControlCore(GatePtr gate, QWidget* widget) : m_gate(std::move(gate)), m_widget(widget) {}
    template <class F>
    auto Call(F action) {
        return OnWindowThread(m_gate, m_widget, std::move(action));
    }
    bool IsVisible();
    void SetVisible(bool visible);
    void SetGeometry(int left, int top, int width, int height);
    QWidget* Widget() const { return m_widget; }

private:
    GatePtr m_gate;
    QWidget* m_widget;
};

// A text as the program wrote it, kept beside what the widget shows.
struct TextShadow {
    Text bytes;
    QString shown;
    bool valid = false;
    Text Read(const QString& current, bool multiLine) const;
    void Remember(const Text& text, const QString& display);
};

#define DORVANE_QT_CONTROL_COMMON                                                             \
    bool IsVisible() override { return m_core.IsVisible(); }                                  \
    void SetVisible(bool visible) override { m_core.SetVisible(visible); }                    \
    void SetGeometry(int l, int t, int w, int h) override { m_core.SetGeometry(l, t, w, h); } \
    QtControlCore& Core() { return m_core; }

class QtPanel : public Control {
public:
    QtPanel(GatePtr gate, QWidget* widget) : m_core(std::move(gate), widget) {}
    DORVANE_QT_CONTROL_COMMON

private:
    QtControlCore m_core;
};

class QtLabel : public Label {
public:
    QtLabel(GatePtr gate, QLabel* label) : m_core(std::move(gate), label), m_label(label) {}
    DORVANE_QT_CONTROL_COMMON
    Text GetText() override;
    void SetText(const Text& text) override;

private:
    QtControlCore m_core;
    QLabel* m_label;
    TextShadow m_shadow;
};

class QtEditBox : public EditBox {
public:
    QtEditBox(GatePtr gate, QLineEdit* line) : m_core(std::move(gate), line), m_line(line) {}
    QtEditBox(GatePtr gate, QPlainTextEdit* multi) : m_core(std::move(gate), multi), m_multi(multi) {}
    DORVANE_QT_CONTROL_COMMON
    Text GetText() override;
    void SetText(const Text& text) override;
    void AppendText(const Text& text) override;
    bool IsReadOnly() override;
    void SetReadOnly(bool readOnly) override;

private:
    QString Shown() const;
    void Show(const Text& text);
    QtControlCore m_core;
    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_multi = nullptr;
    TextShadow m_shadow;
};

class QtButton : public Button {
public:
    QtButton(GatePtr gate, QAbstractButton* button) : m_core(std::move(gate), button), m_button(button) {}
    DORVANE_QT_CONTROL_COMMON
    Text GetCaption() override;
    void SetCaption(const Text& caption) override;

private:
    QtControlCore m_core;
    QAbstractButton* m_button;
    TextShadow m_shadow;
};

class QtRadioButton : public RadioButton {
public:
    QtRadioButton(GatePtr gate, QRadioButton* radio) : m_core(std::move(gate), radio), m_radio(radio) {}
    DORVANE_QT_CONTROL_COMMON
    bool IsSelected() override;
    void SetSelected(bool selected) override;

private:
    QtControlCore m_core;
    QRadioButton* m_radio;
};

class QtListBox : public ListBox {
public:
    QtListBox(GatePtr gate, QListWidget* list) : m_core(std::move(gate), list), m_list(list) {}
    DORVANE_QT_CONTROL_COMMON
    int ItemCount() override;
    Text ItemText(int index) override;
    int AddItem(const Text& text) override;
    void Clear() override;
    int Selection() override;
    void SetSelection(int index) override;

private:
    QtControlCore m_core;
    QListWidget* m_list;
};

class QtComboBox : public ComboBox {
public:
    QtComboBox(GatePtr gate, QComboBox* combo) : m_core(std::move(gate), combo), m_combo(combo) {}
    DORVANE_QT_CONTROL_COMMON
    int ItemCount() override;
    Text ItemText(int index) override;
    int AddItem(const Text& text) override;
    void Clear() override;
    int Selection() override;
    void SetSelection(int index) override;

private:
    QtControlCore m_core;
    QComboBox* m_combo;
};

class QtPictureBox : public PictureBox {
public:
    QtPictureBox(GatePtr gate, PictureWidget* picture)
        : m_core(std::move(gate), picture), m_picture(picture) {}
    DORVANE_QT_CONTROL_COMMON
    Bytes GetPicture() override;
    void SetPicture(const Bytes& imageBytes) override;

private:
    QtControlCore m_core;
    PictureWidget* m_picture;
};

class QtTabControl : public TabControl {
public:
    QtTabControl(GatePtr gate, DesignTabs* tabs) : m_core(std::move(gate), tabs), m_tabs(tabs) {}
    DORVANE_QT_CONTROL_COMMON
    int CurrentPage() override;
    void SetCurrentPage(int page) override;

private:
    QtControlCore m_core;
    DesignTabs* m_tabs;
};

class QtReportList : public ReportList {
public:
    QtReportList(GatePtr gate, QTreeWidget* tree) : m_core(std::move(gate), tree), m_tree(tree) {}
    DORVANE_QT_CONTROL_COMMON
    int RowCount() override;
    int InsertRow() override;
    void SetCell(int row, int column, const Text& text) override;
    Text CellText(int row, int column) override;
    std::vector<int> SelectedRows() override;
    void DeleteAllRows() override;
    void SetTextColour(int colour) override;

private:
    QtControlCore m_core;
    QTreeWidget* m_tree;
};

#undef DORVANE_QT_CONTROL_COMMON

class QtTimer : public Timer {
public:
    QtTimer(GatePtr gate, QTimer* timer) : m_gate(std::move(gate)), m_timer(timer) {}
    int Period() override;
    void SetPeriod(int milliseconds) override;

private:
    GatePtr m_gate;
    QTimer* m_timer;
};

// Message boxes through one seam. The caption becomes the box's window title.
class QtMessageBoxes : public MessageBoxes {
public:
    using Answerer = std::function<int(const Text& text, int flags, const Text& caption)>;
    QtMessageBoxes(GatePtr gate, QWidget* owner) : m_gate(std::move(gate)), m_owner(owner) {}
    int Show(const Text& text, int flags = MbOk, const Text& caption = {}) override;
    // Tests answer every box through this instead of a real dialog (window thread only).
    static void SetAnswerer(Answerer answerer);
    // The real dialog, for one box (window thread).
    static int ShowDialog(QWidget* owner, const QString& text, int flags, const QString& caption);

private:
    GatePtr m_gate;
    QWidget* m_owner;
};

class QtClipboard : public Clipboard {
public:
    QtClipboard(GatePtr gate, QObject* context) : m_gate(std::move(gate)), m_context(context) {}
    Text GetText() override;
    bool SetText(const Text& text) override;

private:
    GatePtr m_gate;
    QObject* m_context;
};

}  // namespace dorvane

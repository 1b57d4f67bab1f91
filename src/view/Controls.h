#pragma once
// The abstract control interfaces that the presenters write against. The GUI layer
// implements them over Qt widgets (carrying each access from a worker thread out on the window thread);
// the tests' support code implements them in memory for tests and benchmarks.
//
// Every access made from a worker thread first passes the worker's check point (Worker.h): a stopped
// worker unwinds instead of touching a control, a paused one waits.
#include <vector>

#include "core/Text.h"

namespace dorvane {

class Control {
public:
    virtual ~Control() = default;
    virtual bool IsVisible() = 0;
    virtual void SetVisible(bool visible) = 0;
    // Moves the control within its parent (pixels: left, top, width, height). Controls that have no place
    // on a screen (in-memory ones) ignore it.
    virtual void SetGeometry(int left, int top, int width, int height) {
        (void)left, (void)top, (void)width, (void)height;
    }
};

class Label : public Control {
public:
    virtual Text GetText() = 0;
    virtual void SetText(const Text& text) = 0;
};

class EditBox : public Control {
public:
    virtual Text GetText() = 0;
    virtual void SetText(const Text& text) = 0;
    // Appends at the end of the content and scrolls it into view.
    virtual void AppendText(const Text& text) = 0;
    // Read-only input: the user can no longer type into the box; the program still writes it.
    virtual bool IsReadOnly() = 0;
    virtual void SetReadOnly(bool readOnly) = 0;
};

class Button : public Control {
public:
    virtual Text GetCaption() = 0;
    virtual void SetCaption(const Text& caption) = 0;
};

class RadioButton : public Control {
public:
    virtual bool IsSelected() = 0;
    virtual void SetSelected(bool selected) = 0;
};

// List box and drop-down list: 0-based item indexes.
class ItemList : public Control {
public:
    virtual int ItemCount() = 0;
    // Empty text for an index outside the items.
    virtual Text ItemText(int index) = 0;
    // Appends (unsorted); returns the new item's index, or -1 on failure.
    virtual int AddItem(const Text& text) = 0;
    virtual void Clear() = 0;
    // -1 for none.
    virtual int Selection() = 0;
    // Drop-down list: beyond the last item selects the last, below -1 selects none; never raises
    // "item selected". List box: outside the items selects none.
    virtual void SetSelection(int index) = 0;
};

class ListBox : public ItemList {};
class ComboBox : public ItemList {};

class PictureBox : public Control {
public:
    // The bytes last written, unchanged.
    virtual Bytes GetPicture() = 0;
    // Shows the image at once (scaled to fit); empty bytes clear it; undecodable bytes never crash.
    virtual void SetPicture(const Bytes& imageBytes) = 0;
};

class TabControl : public Control {
public:
    virtual int CurrentPage() = 0;
    virtual void SetCurrentPage(int page) = 0;
};

// Report-style list view: rows and columns, 0-based.
class ReportList : public Control {
public:
    virtual int RowCount() = 0;
    // Appends an empty row; returns its index.
    virtual int InsertRow() = 0;
    // Appends rows in one step, so that no other change of the list lands between a row's cells: column 0
    // of each holds its 1-based number, its cells fill the columns after it. Only as many as keep the list
    // at or below maxRows rows are appended; returns how many were.
    virtual int AppendNumberedRows(const std::vector<std::vector<Text>>& rows, int maxRows) = 0;
    // Cells outside the rows or columns are ignored on writing and read as the empty text.
    virtual void SetCell(int row, int column, const Text& text) = 0;
    virtual Text CellText(int row, int column) = 0;
    // Ascending.
    virtual std::vector<int> SelectedRows() = 0;
    // Removes every row; the columns stay.
    virtual void DeleteAllRows() = 0;
    // Text colour as 0xBBGGRR.
    virtual void SetTextColour(int colour) = 0;
};

class Timer {
public:
    virtual ~Timer() = default;
    virtual int Period() = 0;
    // 0 stops the timer.
    virtual void SetPeriod(int milliseconds) = 0;
};

// Message box flags, as the Windows MessageBox call numbers them.
enum MessageFlags : int { MbOk = 0, MbOkCancel = 1, MbYesNo = 4 };
// Results: 0 OK, 1 Cancel, 2 Abort, 3 Retry, 4 Ignore, 5 Yes, 6 No.
enum MessageResult : int { IdOk = 0, IdCancel = 1, IdAbort = 2, IdRetry = 3, IdIgnore = 4, IdYes = 5, IdNo = 6 };

// The one seam through which every message box goes.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // caption empty means the default caption "信息：".
    virtual int Show(const Text& text, int flags = MbOk, const Text& caption = {}) = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual Text GetText() = 0;
    virtual bool SetText(const Text& text) = 0;
};

}  // namespace dorvane

#pragma once
// The few widgets the windows need beyond Qt's own: a picture box that keeps the bytes it was given (the
// site pages' ones with a row of buttons along the bottom), a tab control whose pages share its own
// coordinates (the design places page controls relative to the whole tab control, tab strip included), and
// the transparent click areas laid over the preview pictures.
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QTabBar>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "core/Text.h"

namespace dorvane {

class PictureWidget : public QFrame {
public:
    explicit PictureWidget(QWidget* parent);
    // The image is already decoded (off the window thread); an empty one clears the picture. The bytes are
    // kept as given, shared with whoever handed them over.
    void SetPicture(std::shared_ptr<const Bytes> bytes, QImage image);
    const Bytes& PictureBytes() const;
    const QImage& Image() const { return m_image; }
    // The design's buttons "上一张", "下载" and "下一张", named prefix + previousButton, downloadButton and
    // nextButton, in a row near the bottom edge. They have no action of their own: each lies beneath the
    // click area it stands for (prefix + previousArea, saveArea, nextArea, laid over the picture first), in
    // the part of it that no later area covers, so a click on a button is that area's click.
    void AddButtonRow(const QString& prefix);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<const Bytes> m_bytes;
    QImage m_image;
};

class ClickArea : public QLabel {
public:
    explicit ClickArea(QWidget* parent);
    std::function<void()> onClicked;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class DesignTabs : public QWidget {
public:
    explicit DesignTabs(QWidget* parent);
    // A page covers the whole control; its children use the control's coordinates.
    QWidget* AddPage(const QString& caption);
    int Current() const { return m_bar->currentIndex(); }
    // Programmatic moves do not count as the user's.
    void SetCurrent(int page);
    int Count() const { return static_cast<int>(m_pages.size()); }
    QWidget* Page(int page) const {
        return page >= 0 && page < Count() ? m_pages[static_cast<size_t>(page)] : nullptr;
    }
    QTabBar* Bar() const { return m_bar; }
    // Runs after the user has moved to another page.
    std::function<void(int)> onUserChanged;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowOnly(int page);
    QTabBar* m_bar;
    std::vector<QWidget*> m_pages;
    bool m_programmatic = false;
};

}  // namespace dorvane

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
    // The design's buttons "上一张", "下载" and "下一张", evenly spaced along the bottom edge and named
    // prefix + previousButton, downloadButton and nextButton. They have no action; made after anything laid
    // over the picture, they lie above it, so a click on one does nothing.
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

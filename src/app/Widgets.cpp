#include "app/Widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionTabWidgetFrame>

namespace dorvane {

PictureWidget::PictureWidget(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

void PictureWidget::SetPicture(Bytes bytes, QImage image) {
    m_bytes = std::move(bytes);
    m_image = std::move(image);
    update();
}

void PictureWidget::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_image.isNull()) return;
    const QRect area = contentsRect();
    QSize size = m_image.size();
    size.scale(area.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), size);
    target.moveCenter(area.center());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_image);
}

ClickArea::ClickArea(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(false);
}

void ClickArea::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClicked)
        onClicked();
}

namespace {

// A page draws the tab frame below the strip, so the control looks like one tab control.
class TabPage : public QWidget {
public:
    TabPage(QWidget* parent, const QTabBar* bar) : QWidget(parent), m_bar(bar) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QStyleOptionTabWidgetFrame option;
        option.initFrom(this);
        option.rect = QRect(0, m_bar->height() - 1, width(), height() - m_bar->height() + 1);
        option.shape = QTabBar::RoundedNorth;
        option.tabBarSize = m_bar->size();
        style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
    }

private:
    const QTabBar* m_bar;
};

}  // namespace

DesignTabs::DesignTabs(QWidget* parent) : QWidget(parent), m_bar(new QTabBar(this)) {
    m_bar->setDrawBase(false);
    // Clicking a tab focuses the tab control, as the system's does; focus then never wanders into the
    // newly shown page (where the URL box would take it as the user's click and empty itself).
    m_bar->setFocusPolicy(Qt::StrongFocus);
    m_bar->setExpanding(false);
    QObject::connect(m_bar, &QTabBar::currentChanged, this, [this](int page) {
        ShowOnly(page);
        if (!m_programmatic && onUserChanged) onUserChanged(page);
    });
}

QWidget* DesignTabs::AddPage(const QString& caption) {
    auto* page = new TabPage(this, m_bar);
    page->setGeometry(0, 0, width(), height());
    m_pages.push_back(page);
    {
        // Adding the first tab selects it; that is not a user's move.
        m_programmatic = true;
        m_bar->addTab(caption);
        m_programmatic = false;
    }
    m_bar->adjustSize();
    m_bar->raise();
    ShowOnly(m_bar->currentIndex());
    return page;
}

int DesignTabs::Current() const { return m_bar->currentIndex(); }

void DesignTabs::SetCurrent(int page) {
    if (page < 0 || page >= Count()) return;
    m_programmatic = true;
    m_bar->setCurrentIndex(page);
    m_programmatic = false;
    ShowOnly(page);
}

QWidget* DesignTabs::Page(int page) const {
    if (page < 0 || page >= Count()) return nullptr;
    return m_pages[static_cast<size_t>(page)];
}

void DesignTabs::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (QWidget* page : m_pages) page->setGeometry(0, 0, width(), height());
    m_bar->raise();
}

void DesignTabs::ShowOnly(int page) {
    for (int i = 0; i < Count(); ++i) m_pages[static_cast<size_t>(i)]->setVisible(i == page);
    m_bar->raise();
}

}  // namespace dorvane

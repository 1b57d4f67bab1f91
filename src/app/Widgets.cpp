#include "app/Widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionTabWidgetFrame>
#include <QVBoxLayout>

namespace dorvane {

PictureWidget::PictureWidget(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

void PictureWidget::SetPicture(std::shared_ptr<const Bytes> bytes, QImage image) {
    m_bytes = std::move(bytes);
    m_image = std::move(image);
    update();
}

const Bytes& PictureWidget::PictureBytes() const {
    static const Bytes none;
    return m_bytes ? *m_bytes : none;
}

void PictureWidget::AddButtonRow(const QString& prefix) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 4);
    column->addStretch();
    auto* row = new QHBoxLayout;  // stretches alone between the buttons: equal gaps
    row->setSpacing(0);
    column->addLayout(row);
    row->addStretch();
    const char* const buttons[][2] = {
        {"上一张", "previousButton"}, {"下载", "downloadButton"}, {"下一张", "nextButton"}};
    for (const auto& [caption, name] : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(caption), this);
        button->setObjectName(prefix + QString::fromLatin1(name));
        button->setAccessibleName(button->text());
        row->addWidget(button);
        row->addStretch();
    }
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
    setTextFormat(Qt::PlainText);
    // A caption stands at the top of its area: a picture box's button row may cover the area's lower part.
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
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

void DesignTabs::SetCurrent(int page) {
    if (page < 0 || page >= Count()) return;
    m_programmatic = true;
    m_bar->setCurrentIndex(page);
    m_programmatic = false;
    ShowOnly(page);
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

#include "app/Widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionTabWidgetFrame>
#include <algorithm>
#include <array>

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

namespace {

struct PictureButton {
    const char* caption;
    const char* name;
    const char* area;  // the click area the button stands for
};
constexpr PictureButton kPictureButtons[] = {{"上一张", "previousButton", "previousArea"},
                                             {"下载", "downloadButton", "saveArea"},
                                             {"下一张", "nextButton", "nextArea"}};
constexpr int kButtonGap = 4;

// Where each button may stand, inside the frame: the columns that the previous area holds left of the save
// area, the save area itself and the next area right of it, over the rows that all three share. The save
// area, laid last, covers the other two where they overlap it. Without the areas, thirds of the picture.
std::array<QRect, 3> ButtonPlaces(const QWidget& picture, const QString& prefix) {
    const QRect inside = picture.contentsRect();
    std::array<QRect, 3> areas;
    for (size_t i = 0; i < areas.size(); ++i) {
        const auto* area = picture.findChild<ClickArea*>(
            prefix + QString::fromLatin1(kPictureButtons[i].area), Qt::FindDirectChildrenOnly);
        if (!area) {
            const int third = inside.width() / 3;
            for (size_t j = 0; j < areas.size(); ++j)
                areas[j] =
                    QRect(inside.left() + static_cast<int>(j) * third, inside.top(), third, inside.height());
            return areas;
        }
        areas[i] = area->geometry() & inside;
    }
    const auto& [previous, save, next] = areas;
    const int top = std::max({previous.top(), save.top(), next.top()});
    const int bottom = std::min({previous.bottom(), save.bottom(), next.bottom()});
    const auto columns = [&](int left, int right) { return QRect(QPoint(left, top), QPoint(right, bottom)); };
    return {columns(previous.left(), save.left() - 1), columns(save.left(), save.right()),
            columns(save.right() + 1, next.right())};
}

// Centred near the place's bottom edge, as wide as its caption needs unless the place is narrower.
QRect ButtonGeometry(QSize wanted, const QRect& place) {
    const int width = std::max(0, std::min(wanted.width(), place.width() - 2 * kButtonGap));
    const int height = std::max(0, std::min(wanted.height(), place.height() - 2 * kButtonGap));
    return QRect(place.left() + (place.width() - width) / 2, place.bottom() + 1 - kButtonGap - height, width,
                 height);
}

}  // namespace

void PictureWidget::AddButtonRow(const QString& prefix) {
    const std::array<QRect, 3> places = ButtonPlaces(*this, prefix);
    for (size_t i = 0; i < places.size(); ++i) {
        const PictureButton& spec = kPictureButtons[i];
        auto* button = new QPushButton(QString::fromUtf8(spec.caption), this);
        button->setObjectName(prefix + QString::fromLatin1(spec.name));
        button->setAccessibleName(button->text());
        button->setAutoDefault(false);
        button->setGeometry(ButtonGeometry(button->sizeHint(), places[i]));
        // Beneath the areas: a click on the button is the click of the area over it.
        button->lower();
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
    // A caption stands at the top of its area, clear of the picture box's buttons near the bottom.
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

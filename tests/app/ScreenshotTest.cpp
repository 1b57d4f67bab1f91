// Renders the windows to PNG files in the build folder (screenshots/), one per tab page, so the layout can
// be looked at; the test checks that each rendering has the window's size and is not blank.
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <set>

#include "AppTestSupport.h"
#include "app/CatalogueWindow.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"

namespace dorvane::test {
namespace {

void Save(QWidget* widget, const QString& name) {
    widget->show();
    ProcessPending();
    const QImage image = widget->grab().toImage();
    EXPECT_EQ(image.size(), widget->size()) << name.toStdString();
    // Not one flat colour: controls were drawn.
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 3u) << name.toStdString();
    QDir().mkpath(QStringLiteral("screenshots"));
    EXPECT_TRUE(image.save(QStringLiteral("screenshots/") + name + QStringLiteral(".png")))
        << name.toStdString();
}

TEST(Screenshots, EveryWindowAndPage) {
    MainWindow window;
    auto* tabs = window.findChild<DesignTabs*>(QStringLiteral("pageTabs"));
    ASSERT_NE(tabs, nullptr);
    for (int page = 0; page < 7; ++page) {
        tabs->SetCurrent(page);
        Save(&window, QStringLiteral("main_page%1").arg(page));
    }
    // The update panel as the version check shows it.
    UpdatePanelControls& update = window.Controls().update;
    update.panel->SetGeometry(4, 0, 788, 568);
    update.noticeBox->SetVisible(true);
    update.panel->SetVisible(true);
    Save(&window, QStringLiteral("main_update_panel"));
    window.hide();

    CatalogueWindow catalogue(nullptr);
    Save(&catalogue, QStringLiteral("catalogue"));
    catalogue.hide();
    AddressWindow address;
    Save(&address, QStringLiteral("address"));
    address.hide();
}

}  // namespace
}  // namespace dorvane::test

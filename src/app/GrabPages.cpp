#include "app/GrabPages.h"

#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QListWidget>
#include <QRadioButton>
#include <QTabBar>
#include <QTreeWidget>
#include <chrono>
#include <functional>
#include <thread>

#include "app/AppHooks.h"
#include "app/CatalogueWindow.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/Worker.h"

namespace dorvane {

namespace {

// Lets the window work until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool Save(QWidget& widget, const QDir& folder, const QString& name) {
    QCoreApplication::processEvents();
    return widget.grab().save(folder.filePath(name + QStringLiteral(".png")));
}

// In "手动预览", the first album opened in the page's viewer, as a person would look at it.
void OpenFirstAlbum(MainWindow& window, int page, QListWidget& albums) {
    if (albums.count() == 0) return;
    auto* manual = window.findChild<QRadioButton*>(QStringLiteral("manualPreview"));
    auto* automatic = window.findChild<QRadioButton*>(QStringLiteral("autoCollect"));
    if (!manual || !automatic) return;
    manual->click();
    albums.setCurrentRow(0);
    emit albums.itemDoubleClicked(albums.item(0));
    PictureBox* preview = window.Controls().sites[static_cast<size_t>(page)].preview;
    WaitFor([preview] { return !preview->GetPicture().empty(); }, std::chrono::seconds(10));
    automatic->click();
}

}  // namespace

bool GrabPages(MainWindow& window, const QString& folderPath) {
    QDir folder(folderPath);
    if (!folder.mkpath(QStringLiteral("."))) return false;
    bool saved = true;
    // The version check runs at start-up; give the notice page a moment to arrive.
    auto* panel = window.findChild<QGroupBox*>(QStringLiteral("updatePanel"));
    if (panel && WaitFor([panel] { return panel->isVisible(); }, std::chrono::seconds(3))) {
        saved = Save(window, folder, QStringLiteral("notice")) && saved;
        panel->hide();  // the tour goes on to the pages beneath it
    }
    auto* tabs = window.findChild<DesignTabs*>(QStringLiteral("pageTabs"));
    if (!tabs) return false;
    for (int page = 0; page < tabs->Count(); ++page) {
        if (tabs->Current() == page) tabs->Bar()->setCurrentIndex((page + 1) % tabs->Count());
        tabs->Bar()->setCurrentIndex(page);
        if (auto* albums = window.findChild<QListWidget*>(QStringLiteral("site%1_albums").arg(page))) {
            WaitFor([albums] { return albums->count() > 0 && RunningWorkerCount() == 0; },
                    std::chrono::seconds(15));
            OpenFirstAlbum(window, page, *albums);
        }
        saved = Save(window, folder, QStringLiteral("page%1").arg(page)) && saved;
    }
    // The program's own catalogue session, as the brand button opens it.
    CatalogueWindow catalogue(&window, ProgramHooks());
    catalogue.show();
    auto* list = catalogue.findChild<QTreeWidget*>(QStringLiteral("catalogueList"));
    if (list) WaitFor([list] { return list->topLevelItemCount() > 0; }, std::chrono::seconds(5));
    saved = Save(catalogue, folder, QStringLiteral("catalogue")) && saved;
    return saved;
}

}  // namespace dorvane

#pragma once
// The main window's widgets and their control objects (shared by the window's source files only).
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <array>
#include <memory>
#include <vector>

#include "app/MainWindow.h"
#include "app/QtControls.h"
#include "app/Widgets.h"

namespace dorvane {

struct MainWindow::Parts {
    // Top area.
    QGroupBox* functionGroup = nullptr;
    QRadioButton* autoCollect = nullptr;
    QRadioButton* manualPreview = nullptr;
    QPushButton* pauseButton = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* startButton = nullptr;
    QLineEdit* saveFolder = nullptr;
    QPushButton* browseButton = nullptr;
    QPushButton* brandButton = nullptr;
    DesignTabs* tabs = nullptr;
    // Below the pages, made only when the history has something to say.
    QLabel* historyStatus = nullptr;
    // Update panel.
    QGroupBox* updatePanel = nullptr;
    QLineEdit* updateAddress = nullptr;
    QPushButton* updateButton = nullptr;
    QPlainTextEdit* updateNotice = nullptr;

    struct SiteWidgets {
        QComboBox* categories = nullptr;
        QLabel* pageCount = nullptr;
        QComboBox* pages = nullptr;
        QListWidget* albums = nullptr;
        QLabel* title = nullptr;
        QLabel* counter = nullptr;
        PictureWidget* preview = nullptr;
        ClickArea* previousArea = nullptr;
        ClickArea* nextArea = nullptr;
        ClickArea* saveArea = nullptr;
    };
    std::vector<SiteWidgets> sites;

    // Custom page.
    QLineEdit* urlBox = nullptr;
    QPushButton* fetchButton = nullptr;
    QPlainTextEdit* sourceBox = nullptr;
    QPushButton* customStart = nullptr;
    QTimer* clipboardTimer = nullptr;
    QTimer* taskTimer = nullptr;

    // The control objects the routines see; they own nothing of Qt's.
    std::vector<std::unique_ptr<Control>> controlObjects;
    std::unique_ptr<QtMessageBoxes> messages;
    std::unique_ptr<QtClipboard> clipboard;
    std::vector<std::unique_ptr<Timer>> timers;
    MainControls controls;

    template <class T, class... Args>
    T* Own(Args&&... args) {
        auto object = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = object.get();
        controlObjects.push_back(std::move(object));
        return raw;
    }
};

}  // namespace dorvane

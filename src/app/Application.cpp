#include "app/Application.h"

#include <QApplication>
#include <chrono>

#include "app/AppHooks.h"
#include "app/Fonts.h"
#include "app/MainWindow.h"
#include "collectors/Collectors.h"
#include "core/ProgramState.h"
#include "core/Worker.h"

namespace dorvane {

int RunApplication(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setFont(DefaultFont());
    QApplication::setQuitOnLastWindowClosed(true);
    // Program-wide state starts empty; the site pages get their routines before any page can run one.
    State().Reset();
    RegisterSiteCollectors();
    InstallProgramHooks();
    int code = 0;
    {
        MainWindow window;
        window.show();
        window.StartUp();
        code = QApplication::exec();
        // Leaving the scope closes the window's gate and ends every worker, tracked or not, with a bounded
        // wait, while the widgets still exist.
    }
    StopAllWorkers(std::chrono::milliseconds(1000));
    return code;
}

}  // namespace dorvane

#pragma once
// The places where the program's parts plug into the windows. The windows are built with a set of hooks;
// an empty hook means the event does nothing (tests build windows with hooks of their own, or none).
#include <functional>

namespace dorvane {

class MainWindow;
class CatalogueWindow;

struct AppHooks {
    // End of the start-up handler, on the window thread: the version and notice check.
    std::function<void(MainWindow&)> versionCheck;
    // "开始" on the custom page, and every tick of its task timer.
    std::function<void(MainWindow&)> customStart;
    std::function<void(MainWindow&)> taskTimerTick;
    // The catalogue window: created (connect and greet), about to be destroyed (disconnect; the window's
    // controls no longer accept accesses from other threads by then), "返回目录", list double-click.
    std::function<void(CatalogueWindow&)> catalogueCreated;
    std::function<void(CatalogueWindow&)> catalogueClosing;
    std::function<void(CatalogueWindow&)> catalogueBack;
    std::function<void(CatalogueWindow&)> catalogueOpenRow;
};

// The program's own parts: the version check, the custom page's handlers and the catalogue session.
AppHooks ProgramHooks();

}  // namespace dorvane

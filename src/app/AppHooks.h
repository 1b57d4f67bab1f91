#pragma once
// The places where later parts of the program plug into the windows. Each hook is empty until its part
// fills it; an empty hook means the event does nothing. Set them on the window thread before the windows
// exist (start-up or a test's set-up).
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

AppHooks& Hooks();

// Fills the hooks with the program's own parts (the custom page's handlers). Called once at start-up.
void InstallProgramHooks();

}  // namespace dorvane

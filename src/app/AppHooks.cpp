#include "app/AppHooks.h"

#include "app/MainWindow.h"
#include "custom/CustomPage.h"

namespace dorvane {

AppHooks& Hooks() {
    static AppHooks hooks;
    return hooks;
}

void InstallProgramHooks() {
    AppHooks& hooks = Hooks();
    hooks.customStart = [](MainWindow& window) { custom::Start(window.Controls()); };
    hooks.taskTimerTick = [](MainWindow& window) { custom::TaskTimerTick(window.Controls()); };
}

}  // namespace dorvane

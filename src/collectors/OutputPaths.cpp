#include "collectors/OutputPaths.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "core/Files.h"
#include "core/Worker.h"
#include "text/Directory.h"

namespace dorvane {

Text OutputRoot(MainControls& controls) {
    Text saveFolder = controls.saveFolder ? controls.saveFolder->GetText() : Text{};
    return saveFolder + "/" + Gbk("采集数据") + "/";
}

Text AlbumFolder(MainControls& controls, const Text& title) {
    Text folder = OutputRoot(controls);
    if (title.empty()) return folder;
    return folder + SafeName(title) + "/";
}

Text SingleSaveFolder(MainControls& controls) { return OutputRoot(controls) + Gbk("单张采集") + "/"; }

void CheckedDelaySince(std::chrono::steady_clock::time_point since, int milliseconds) {
    WaitUntil(since + std::chrono::milliseconds(milliseconds));
}

}  // namespace dorvane

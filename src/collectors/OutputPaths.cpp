#include "collectors/OutputPaths.h"

#include "core/Worker.h"

namespace dorvane {

Text OutputRoot(const Text& saveFolder) { return saveFolder + "/" + Gbk("采集数据") + "/"; }

Text SingleSaveFolder(const Text& saveFolder) { return OutputRoot(saveFolder) + Gbk("单张采集") + "/"; }

void CheckedDelaySince(std::chrono::steady_clock::time_point since, int milliseconds) {
    WaitUntil(since + std::chrono::milliseconds(milliseconds));
}

}  // namespace dorvane

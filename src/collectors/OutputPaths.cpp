#include "collectors/OutputPaths.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "core/Files.h"
#include "core/Worker.h"
#include "text/Directory.h"

namespace dorvane {

namespace {

const Text& CollectFolderName() {
    static const Text name = Gbk("采集数据");
    return name;
}

const Text& SingleSaveName() {
    static const Text name = Gbk("单张采集");
    return name;
}

}  // namespace

Text OutputRoot(MainControls& controls) {
    Text saveFolder = controls.saveFolder ? controls.saveFolder->GetText() : Text{};
    return saveFolder + "/" + CollectFolderName() + "/";
}

Text AlbumFolder(MainControls& controls, const Text& title) {
    Text folder = OutputRoot(controls);
    if (title.empty()) return folder;
    return folder + SafeName(title) + "/";
}

Text SingleSaveFolder(MainControls& controls) { return OutputRoot(controls) + SingleSaveName() + "/"; }

bool WriteImageFile(const Text& path, const Bytes& bytes) {
    WorkerCheckPoint();
    if (bytes.empty()) {
        std::error_code error;
        const auto size = std::filesystem::file_size(std::filesystem::path(NativePath(path)), error);
        if (!error && size > 0) return false;
    }
    return WriteFile(path, bytes);
}

void CheckedDelay(int milliseconds) {
    if (WorkerToken* worker = CurrentWorker()) {
        worker->Sleep(std::chrono::milliseconds(milliseconds));
    } else {
        Delay(milliseconds);
    }
}

}  // namespace dorvane

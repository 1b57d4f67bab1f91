#pragma once
// Program-wide state of the custom page, the folder dialog and the catalogue (the site pages keep their own
// in their sessions). Every member is safe to use from the window thread and from workers at the same time.
#include <atomic>

#include "core/SharedList.h"

namespace dorvane {

struct ProgramState {
    SharedList customItems;
    std::atomic<int> customItemCount{0};
    SharedText customTaskName;

    SharedText folderDialogStart;
    SharedList catalogueLines;
    SharedList catalogueTopList;

    // Back to the start-up values (every list and text empty, every number 0).
    void Reset();
};

ProgramState& State();

}  // namespace dorvane

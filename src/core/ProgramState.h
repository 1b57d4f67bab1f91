#pragma once
// Program-wide state of the custom page (the site pages and the catalogue keep their own in their
// sessions). Every member is safe to use from the window thread and from workers at the same time.
#include <atomic>

#include "core/SharedList.h"

namespace dorvane {

struct ProgramState {
    SharedList customItems;
    std::atomic<int> customItemCount{0};
    SharedText customTaskName;

    // Back to the start-up values (every list and text empty, every number 0).
    void Reset();
};

ProgramState& State();

}  // namespace dorvane

#pragma once
// The routines of one site tab page, as the window layer reaches them. The window is given one set per
// site when it is built; an empty slot means the page has nothing to run there.
#include <array>
#include <functional>

#include "core/SitePage.h"

namespace dorvane {

struct SiteRoutines {
    using Routine = std::function<void(MainControls&)>;
    Routine pageLoader;    // tab page selected; runs on the tracked worker
    Routine pageWorker;    // "开始采集"; runs on the tracked worker
    Routine categoryLoad;  // category selector item selected (Sites A and B)
    Routine listingLoad;   // page selector item selected; runs on the window thread
    Routine albumOpen;     // album list double-clicked; window thread
    Routine previous;      // previous area clicked; window thread
    Routine next;          // next area clicked; window thread
    Routine save;          // save area ("采集本张") clicked; window thread
};

using SiteRoutineTable = std::array<SiteRoutines, kSiteCount>;

}  // namespace dorvane

#include "collectors/Collectors.h"

#include "core/SiteRoutines.h"

namespace dorvane {

void RegisterSiteCollectors() {
    // Each site collector adds its registration here as it arrives.
}

}  // namespace dorvane

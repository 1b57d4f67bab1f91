#pragma once

namespace dorvane {

// Registers the routines of every site collector that exists (see core/SiteRoutines.h). Called once at
// start-up by the window layer, and by tests that drive the routines.
void RegisterSiteCollectors();

}  // namespace dorvane

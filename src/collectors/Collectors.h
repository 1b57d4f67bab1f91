#pragma once
#include "core/SiteRoutines.h"

namespace dorvane {

// The routines of every site collector, each site with state of its own; the window is built with them.
SiteRoutineTable SiteCollectors();

}  // namespace dorvane

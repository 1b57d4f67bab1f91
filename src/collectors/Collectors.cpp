#include "collectors/Collectors.h"

#include "collectors/SiteA.h"
#include "collectors/SiteB.h"
#include "collectors/SiteC.h"
#include "collectors/SiteD.h"
#include "collectors/SiteE.h"

namespace dorvane {

SiteRoutineTable SiteCollectors() {
    return {sitea::Routines(), siteb::Routines(), sitec::Routines(), sited::Routines(), sitee::Routines()};
}

}  // namespace dorvane

#include "collectors/Collectors.h"

#include "collectors/SiteA.h"
#include "collectors/SiteB.h"
#include "collectors/SiteC.h"
#include "collectors/SiteD.h"
#include "collectors/SiteE.h"
#include "core/SiteRoutines.h"

namespace dorvane {

void RegisterSiteCollectors() {
    RegisterSiteRoutines(Site::A, sitea::Routines());
    RegisterSiteRoutines(Site::B, siteb::Routines());
    RegisterSiteRoutines(Site::C, sitec::Routines());
    RegisterSiteRoutines(Site::D, sited::Routines());
    RegisterSiteRoutines(Site::E, sitee::Routines());
}

}  // namespace dorvane

#include "core/SiteRoutines.h"

#include <array>
#include <mutex>

namespace dorvane {

namespace {

struct Table {
    std::mutex mutex;
    std::array<SiteRoutines, kSiteCount> routines;
};

Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

}  // namespace

void RegisterSiteRoutines(Site site, SiteRoutines routines) {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    t.routines[static_cast<size_t>(site)] = std::move(routines);
}

SiteRoutines RoutinesFor(Site site) {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    return t.routines[static_cast<size_t>(site)];
}

}  // namespace dorvane

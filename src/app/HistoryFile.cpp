#include "app/HistoryFile.h"

#include <cstdio>

namespace dorvane {

std::shared_ptr<HistoryStore> OpenHistory(const Settings& settings) {
    const std::string file = settings.historyFile.value_or(DefaultHistoryPath());
    if (file.empty()) return nullptr;
    HistoryStatus status;
    std::shared_ptr<HistoryStore> store = HistoryStore::Open(file, status);
    if (!store) std::fprintf(stderr, "dorvane: %s; going on without history\n", status.Message().c_str());
    return store;
}

void SayHistoryFailed(const HistoryStatus& status) { std::fprintf(stderr, "dorvane: %s\n", status.Message().c_str()); }

}  // namespace dorvane

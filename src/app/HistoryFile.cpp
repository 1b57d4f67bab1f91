#include "app/HistoryFile.h"

#include <cstdio>

namespace dorvane {

std::shared_ptr<HistoryStore> OpenHistory(const Settings& settings, HistoryStatus* failure) {
    const std::string file = settings.historyFile.value_or(DefaultHistoryPath());
    if (file.empty()) return nullptr;
    HistoryStatus status;
    std::shared_ptr<HistoryStore> store = HistoryStore::Open(file, status);
    if (store) return store;
    std::fprintf(stderr, "dorvane: %s; going on without history\n", status.Message().c_str());
    if (failure) *failure = status;
    return nullptr;
}

void SayHistoryFailed(const HistoryStatus& status) { std::fprintf(stderr, "dorvane: %s\n", status.Message().c_str()); }

}  // namespace dorvane

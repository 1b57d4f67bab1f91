#pragma once
// The collection history the program records into, opened once at start-up (Qt-free: the window and the
// commands share it).
#include <memory>

#include "core/Settings.h"
#include "history/HistoryStore.h"

namespace dorvane {

// The store at the settings' history file (its default place when they name none): none when the
// setting is empty, or when the file cannot be used, which is said once on standard error and kept in
// `failure` when one is given.
std::shared_ptr<HistoryStore> OpenHistory(const Settings& settings, HistoryStatus* failure = nullptr);

// Says on standard error what went wrong with the history (a collection tells it once).
void SayHistoryFailed(const HistoryStatus& status);

}  // namespace dorvane

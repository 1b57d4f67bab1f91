#pragma once
// Where collected images go, built from the save folder as the user gave it.
#include <chrono>

#include "core/Text.h"

namespace dorvane {

// Save folder + "/采集数据/".
Text OutputRoot(const Text& saveFolder);
// OutputRoot + "单张采集/".
Text SingleSaveFolder(const Text& saveFolder);

// Waits on a worker through its token, so that a stop or a pause takes effect during the wait (a plain
// delay on other threads); the wait ends that many milliseconds after `since`, so work done since then
// counts towards it.
void CheckedDelaySince(std::chrono::steady_clock::time_point since, int milliseconds);

}  // namespace dorvane

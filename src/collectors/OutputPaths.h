#pragma once
// Where collected images go. Every path is built afresh from the save-folder box, so a folder chosen
// during a run takes effect at the next path.
#include <chrono>

#include "core/Files.h"
#include "core/SitePage.h"
#include "core/Text.h"

namespace dorvane {

// Save folder text + "/采集数据/".
Text OutputRoot(MainControls& controls);
// OutputRoot + the title made safe as one folder name, with a trailing separator. A title taken from a
// web page can hold "/" or be "..": it must never lead a write outside OutputRoot.
Text AlbumFolder(MainControls& controls, const Text& title);
// OutputRoot + "单张采集/".
Text SingleSaveFolder(MainControls& controls);

// Waits on a worker through its token, so that a stop or a pause takes effect during the wait (a plain
// delay on other threads); the wait ends that many milliseconds after `since`, so work done since then
// counts towards it.
void CheckedDelaySince(std::chrono::steady_clock::time_point since, int milliseconds);

}  // namespace dorvane

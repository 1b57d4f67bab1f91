#pragma once
// The handlers of the custom-collection tab page: "开始" and the task timer's tick. The window only wires
// the button and the timer to them.
#include <memory>

#include "core/NetworkLimits.h"
#include "view/SitePage.h"
#include "custom/TaskEvents.h"
#include "custom/TaskRecorder.h"

namespace dorvane::custom {

// Applies the title and content rules to the source box, then lists the pieces ("提取链接"), starts the
// download task ("图片采集", its downloads keeping to the limits) or shows the notice box ("更多功能"). A
// task reports to `events`, which the window hands in to show it on the page (none: nobody shows it), and
// is recorded in the history when one is given.
void Start(MainControls& controls, const NetworkLimits& limits = {}, std::shared_ptr<TaskEvents> events = nullptr,
           const TaskHistory& history = {});

// The completion watcher: once the running task has handled every item, the timer stops,
// "==== 任 务 完 成 ====" is shown (with "失败 N 张" below it when items failed) and the clipboard timer
// ticks every 2 seconds again.
void TaskTimerTick(MainControls& controls);

}  // namespace dorvane::custom

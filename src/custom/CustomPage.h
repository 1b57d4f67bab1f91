#pragma once
// The handlers of the custom-collection tab page: "开始" and the task timer's tick. The window only wires
// the button and the timer to them.
#include "core/NetworkLimits.h"
#include "core/SitePage.h"

namespace dorvane::custom {

// Applies the title and content rules to the source box, then lists the pieces ("提取链接"), starts the
// download task ("图片采集", its downloads keeping to the limits) or shows the notice box ("更多功能").
void Start(MainControls& controls, const NetworkLimits& limits = {});

// The completion watcher: once the running task has handled every item, the timer stops,
// "==== 任 务 完 成 ====" is shown (with "失败 N 张" below it when items failed) and the clipboard timer
// ticks every 2 seconds again.
void TaskTimerTick(MainControls& controls);

}  // namespace dorvane::custom

#pragma once
// What a site page's session shows its work on: the page's controls, the window's shared ones, and the
// way to reach them without waiting. The window hands its own; tests hand in-memory controls.
#include <functional>
#include <memory>

#include "view/SitePage.h"
#include "core/Text.h"

namespace dorvane {

class WorkerToken;

// Carries a control change out on the window thread without waiting for it; changes arrive in the order
// they were posted. A change posted by a worker that was stopped before the window thread reached it is
// dropped (`from` is that worker, null for none). In-memory controls carry it out at once.
using Poster = std::function<void(std::function<void()> change, const std::shared_ptr<WorkerToken>& from)>;

// Runs the change at once: for controls that need no window thread.
void PostDirectly(std::function<void()> change, const std::shared_ptr<WorkerToken>& from);

struct PageView {
    SitePage* page = nullptr;
    MainControls* controls = nullptr;  // the message boxes and the "自动采集" choice
    Poster post = PostDirectly;
    // The save folder as the box shows it, readable from any thread without waiting.
    std::function<Text()> saveFolder;
};

}  // namespace dorvane

#pragma once
// What a site page holds between its requests; guarded by the session's mutex.
#include <deque>
#include <memory>

#include "session/SitePageSession.h"

namespace dorvane {

struct SitePageSession::Viewer {
    TextList images;  // image addresses, or every album's cover (cover addressing)
    int count = 0;
    int position = 0;
    int coverIndex = 0;
};

// A viewer click queued and not yet ended; the first one is the click under way.
struct SitePageSession::PendingClick {
    unsigned long long number = 0;
    Click kind = Click::Save;
    int argument = 0;  // the step's direction
};

struct SitePageSession::State {
    Viewer viewer;
    std::deque<PendingClick> clicks;
    unsigned long long clicksQueued = 0;
    // The click whose image is on its way, and that image's position (no worker: none).
    std::shared_ptr<WorkerToken> fetching;
    int fetchingPosition = 0;
};

}  // namespace dorvane

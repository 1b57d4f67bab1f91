#pragma once
// What the custom download task tells whoever presents it. The task never waits for its presenter: a
// window turns the events into control changes on its own thread.
#include "core/Text.h"

namespace dorvane::custom {

// How one item ended.
struct ItemReport {
    int item = 0;  // 1-based in the task's items; odd items come from one downloader, even from the other
    Text address;
    Text path;  // the file it went to (or would have gone to)
    bool stored = false;
    Text failure{};  // why it has no file of its own ("HTTP 404", "not written: ..."); empty when stored
};

// Called from both downloaders' threads at once, so an implementation guards what it keeps. One
// downloader's events come in its order: for each item started, picture, done.
class TaskEvents {
public:
    virtual ~TaskEvents() = default;
    virtual void ItemStarted(int /*item*/, const Text& /*address*/) {}
    // The downloaded bytes (empty after a failed download) are to be shown.
    virtual void PictureArrived(int /*item*/, const Bytes& /*bytes*/) {}
    virtual void ItemDone(const ItemReport& /*report*/) {}
    // Every item was handled (never after a stop).
    virtual void TaskFinished(int /*items*/, int /*failed*/) {}
};

}  // namespace dorvane::custom

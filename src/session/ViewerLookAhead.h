#pragma once
// The viewer's next image, fetched on a worker of its own while the user looks at the current one, so
// that "下一张" can show it without waiting on the network. One fetch at a time, holding at most one body;
// whatever it fetched is handed out only for the very address it was started with.
#include <functional>
#include <memory>
#include <optional>

#include "core/Text.h"

namespace dorvane {

class WorkerToken;

class ViewerLookAhead {
public:
    // Runs on the look-ahead's own worker thread, so it must hold by value (or shared_ptr) all it needs:
    // it may outlive whoever started it until its stop reaches it.
    using Fetch = std::function<Bytes(const Text& address)>;

    ViewerLookAhead();
    ~ViewerLookAhead();
    ViewerLookAhead(const ViewerLookAhead&) = delete;
    ViewerLookAhead& operator=(const ViewerLookAhead&) = delete;

    // Replaces the fetch ahead by one of `address`. Nothing starts when `starter` (the worker asking) was
    // stopped already: a stop that raced with it meant its album is no longer wanted.
    void Start(const Text& address, Fetch fetch, const WorkerToken* starter);
    // Stops the fetch ahead and forgets what it held; a transfer under way aborts.
    void Stop();
    // What was fetched ahead of `address`, taken out (empty bytes: that fetch failed); nullopt when
    // nothing was started for it. While that fetch is still on its way the calling worker waits for it; a
    // stop of the calling worker ends the wait at once with WorkerStopped.
    std::optional<Bytes> Take(const Text& address);

private:
    struct Shared;
    struct Ending;
    struct Dropped;
    Dropped DropLocked();
    Bytes TakeLocked();
    void Wait(const std::shared_ptr<WorkerToken>& waiter);

    const std::shared_ptr<Shared> m_shared;
};

}  // namespace dorvane

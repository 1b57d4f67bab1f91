#pragma once
// Requests run one after another in the order they were made, each on a worker thread of its own: the
// caller never waits for one, and what each request does still happens in the order they were made.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "core/Worker.h"

namespace dorvane {

class InteractionQueue {
public:
    // Routines queued under the same key replace each other: a new one stops the one that is waiting or
    // running (a second double-click while an album opens). kNoKey replaces nothing.
    static constexpr int kNoKey = -1;

    // Queues the routine behind every routine queued before it. Returns the token of its thread, null
    // when no thread could be made.
    std::shared_ptr<WorkerToken> Run(int key, std::function<void()> routine);
    // Stops every routine that is waiting or running.
    void StopAll();
    // Stops the routines queued under `key` that are waiting or running.
    void Stop(int key);
    // Waits until every routine queued so far has finished. On a worker the wait passes its check point,
    // so a stop ends it; meant for workers that must not overlap a routine the user started before them.
    void WaitIdle();

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        uint64_t queued = 0;    // tickets handed out
        uint64_t finished = 0;  // tickets 0 .. finished-1 are done, in order
        struct Pending {
            std::weak_ptr<WorkerToken> token;
            int key = kNoKey;
        };
        std::map<uint64_t, Pending> pending;
    };
    static void RunInTurn(const std::shared_ptr<Shared>& shared, uint64_t ticket,
                          const std::function<void()>& routine);
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

}  // namespace dorvane

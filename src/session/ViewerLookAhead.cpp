#include "session/ViewerLookAhead.h"

#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

#include "core/Worker.h"

namespace dorvane {

// Shared with the fetch's worker, which may still be unwinding after the owner is gone.
struct ViewerLookAhead::Shared {
    std::mutex mutex;
    // Bumped by every start, stop and take: a fetch that finds another number has been replaced and
    // keeps nothing of what it fetched.
    unsigned long long generation = 0;
    Text address;  // empty: nothing started
    bool done = false;
    Bytes bytes;
    std::shared_ptr<WorkerToken> worker;  // set while the fetch is under way
    // Steps waiting for the fetch; each is woken by a stop of its token.
    std::vector<std::shared_ptr<WorkerToken>> waiters;
};

// What a drop took out of the shared state, to be stopped once the lock is released.
struct ViewerLookAhead::Dropped {
    std::shared_ptr<WorkerToken> worker;
    std::vector<std::shared_ptr<WorkerToken>> waiters;

    void Stop() const {
        if (worker) worker->RequestStop();
        for (const auto& waiter : waiters) waiter->RequestStop();
    }
};

// Records the fetch's end however its routine is left, so no step waits on a fetch that will never
// report (a stop from outside, such as the program's exit, counts as a failed fetch).
struct ViewerLookAhead::Ending {
    std::shared_ptr<Shared> shared;
    unsigned long long generation = 0;
    Bytes bytes;

    ~Ending() {
        std::vector<std::shared_ptr<WorkerToken>> woken;
        {
            std::lock_guard lock(shared->mutex);
            if (shared->generation != generation) return;
            shared->done = true;
            shared->bytes = std::move(bytes);
            shared->worker.reset();
            woken.swap(shared->waiters);
        }
        for (const auto& waiter : woken) waiter->RequestStop();
    }
};

ViewerLookAhead::ViewerLookAhead() : m_shared(std::make_shared<Shared>()) {}

ViewerLookAhead::~ViewerLookAhead() { Stop(); }

ViewerLookAhead::Dropped ViewerLookAhead::DropLocked() {
    Shared& shared = *m_shared;
    ++shared.generation;
    shared.address.clear();
    shared.done = false;
    Bytes().swap(shared.bytes);
    Dropped dropped{std::move(shared.worker), {}};
    dropped.waiters.swap(shared.waiters);
    return dropped;
}

void ViewerLookAhead::Start(const Text& address, Fetch fetch, const WorkerToken* starter) {
    Dropped dropped;
    {
        std::lock_guard lock(m_shared->mutex);
        // Checked under the lock a stopper takes after stopping the starter, so a start can never slip
        // in behind the stop that was meant to end it.
        if (starter && starter->StopRequested()) return;
        dropped = DropLocked();
        const unsigned long long generation = m_shared->generation;
        m_shared->address = address;
        m_shared->worker =
            StartWorkerThread([shared = m_shared, generation, address, fetch = std::move(fetch)] {
                Ending ending{shared, generation, {}};
                ending.bytes = fetch(address);
            });
        if (!m_shared->worker) m_shared->address.clear();
    }
    dropped.Stop();
}

void ViewerLookAhead::Stop() {
    Dropped dropped;
    {
        std::lock_guard lock(m_shared->mutex);
        dropped = DropLocked();
    }
    dropped.Stop();
}

Bytes ViewerLookAhead::TakeLocked() {
    Bytes bytes = std::move(m_shared->bytes);
    DropLocked();
    return bytes;
}

std::optional<Bytes> ViewerLookAhead::Take(const Text& address) {
    const auto waiter = std::make_shared<WorkerToken>(0);
    unsigned long long generation = 0;
    {
        std::lock_guard lock(m_shared->mutex);
        if (address.empty() || m_shared->address != address) return std::nullopt;
        if (m_shared->done) return TakeLocked();
        generation = m_shared->generation;
        m_shared->waiters.push_back(waiter);
    }
    Wait(waiter);
    std::lock_guard lock(m_shared->mutex);
    // Dropped meanwhile (another album, a new listing): the caller fetches the image itself.
    if (m_shared->generation != generation || !m_shared->done) return std::nullopt;
    return TakeLocked();
}

void ViewerLookAhead::Wait(const std::shared_ptr<WorkerToken>& waiter) {
    // The waiter is stopped by the fetch's end, by a drop, and, as a follow-up, by a stop of the calling
    // worker, whichever comes first.
    if (WorkerToken* current = CurrentWorker()) current->AddFollowUp(waiter);
    try {
        for (;;) waiter->SleepUntil(std::chrono::steady_clock::now() + std::chrono::hours(1));
    } catch (const WorkerStopped&) {
        // Woken: the reason is read below.
    }
    {
        std::lock_guard lock(m_shared->mutex);
        std::erase(m_shared->waiters, waiter);
    }
    WorkerCheckPoint();
}

}  // namespace dorvane

#include "core/Interactions.h"

#include <chrono>

namespace dorvane {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(10);

}  // namespace

void InteractionQueue::RunInTurn(const std::shared_ptr<Shared>& shared, uint64_t ticket,
                                 const std::function<void()>& routine) {
    WorkerToken* self = CurrentWorker();
    // The turn is handed on however this routine ends, or the routines queued after it would wait forever.
    struct Finish {
        const std::shared_ptr<Shared>& shared;
        uint64_t ticket;
        ~Finish() {
            {
                std::lock_guard lock(shared->mutex);
                shared->finished = ticket + 1;
                shared->pending.erase(ticket);
            }
            shared->changed.notify_all();
        }
    };
    {
        std::unique_lock lock(shared->mutex);
        // A routine stopped while waiting still waits for its turn, then leaves without running.
        while (shared->finished != ticket) shared->changed.wait_for(lock, kPoll);
    }
    Finish finish{shared, ticket};
    if (self && self->StopRequested()) return;
    routine();
}

std::shared_ptr<WorkerToken> InteractionQueue::Run(int key, std::function<void()> routine) {
    if (key != kNoKey) Stop(key);
    std::shared_ptr<Shared> shared = m_shared;
    std::unique_lock lock(shared->mutex);
    const uint64_t ticket = shared->queued;
    std::shared_ptr<WorkerToken> token = StartWorkerThread(
        [shared, ticket, routine = std::move(routine)] { RunInTurn(shared, ticket, routine); });
    if (!token) return nullptr;
    ++shared->queued;
    shared->pending[ticket] = {token, key};
    return token;
}

void InteractionQueue::StopAll() {
    std::lock_guard lock(m_shared->mutex);
    for (const auto& [ticket, pending] : m_shared->pending) {
        if (auto token = pending.token.lock()) token->RequestStop();
    }
}

void InteractionQueue::Stop(int key) {
    std::lock_guard lock(m_shared->mutex);
    for (const auto& [ticket, pending] : m_shared->pending) {
        if (pending.key != key) continue;
        if (auto token = pending.token.lock()) token->RequestStop();
    }
}

void InteractionQueue::WaitIdle() {
    Shared& shared = *m_shared;
    std::unique_lock lock(shared.mutex);
    const uint64_t until = shared.queued;
    while (shared.finished < until) {
        shared.changed.wait_for(lock, kPoll);
        if (CurrentWorkerStopping()) {
            lock.unlock();
            WorkerCheckPoint();
            lock.lock();
        }
    }
}

}  // namespace dorvane

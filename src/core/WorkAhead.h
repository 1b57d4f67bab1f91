#pragma once
// Work done ahead of its use: jobs queued in order run on a few threads of their own, and the caller takes
// their ends when it needs them. A collection queues the fetches of the images it will show next (and the
// page of the album after them) while it shows the current one.
//
// The threads are follow-ups of the worker that makes the queue: its stop reaches every job at once (a
// transfer aborts within a few tens of milliseconds), and its pause holds them at their next check point,
// so a paused collection starts no new transfer. With one thread the jobs run one after another in the
// order they were queued.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "core/Worker.h"

namespace dorvane {

class WorkAhead {
public:
    using Ticket = uint64_t;
    using Clock = std::chrono::steady_clock;

    // `threads` is held to 1..16. Threads are made as jobs come, never more than there are jobs.
    explicit WorkAhead(int threads);
    // Stops the jobs still queued or running and waits for them to leave: a job may use what its maker
    // owns, so none outlives the queue.
    ~WorkAhead();
    WorkAhead(const WorkAhead&) = delete;
    WorkAhead& operator=(const WorkAhead&) = delete;

    int Threads() const { return m_threads; }
    // Jobs queued and not taken yet.
    int Outstanding() const;

    // Queues a job. It runs on one of the queue's threads; a WorkerStopped or any other exception it throws
    // is handed to Take.
    Ticket Queue(std::function<void()> job);
    // Queues a job of two steps: the second starts no earlier than the time the first returns, and the
    // thread goes on with the jobs queued after it meanwhile, so a mandated pause between two transfers
    // of one job leaves no thread idle. Once due, the second step goes before every job not started.
    Ticket Queue(std::function<Clock::time_point()> first, std::function<void()> then);
    // True once the job has ended (without waiting).
    bool Ended(Ticket ticket) const;
    // Waits for the job to end, passing the calling worker's check points while it waits (a stop unwinds
    // from here with WorkerStopped), and forgets it. Rethrows what the job threw. Jobs may be taken in any
    // order; they still start in the order they were queued.
    void Take(Ticket ticket);

private:
    struct Shared;
    struct Job;

    void AddThread();
    static std::shared_ptr<Job> TakeDue(Shared& shared, Clock::time_point& earliest);
    static void RunStep(Shared& shared, const std::shared_ptr<Job>& job);

    const int m_threads;
    std::shared_ptr<Shared> m_shared;
    std::vector<std::shared_ptr<WorkerToken>> m_tokens;
    Ticket m_next = 1;
    int m_outstanding = 0;  // queued and not taken
};

}  // namespace dorvane

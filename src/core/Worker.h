#pragma once
// Worker threads with cooperative stop and pause.
//
// Every worker thread carries a token. Routines call WorkerCheckPoint() before each step (every fetch,
// file write and control access does so itself): while the worker is paused the check point waits, and
// once a stop was requested it throws WorkerStopped, which unwinds the routine to the thread's top where
// it is swallowed. Transfers read the stop flag from their progress callback and abort.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace dorvane {

// Thrown at a check point of a worker that was told to stop. Not an error: the thread body catches it.
struct WorkerStopped {};

// Owned through std::shared_ptr (StartWorkerThread, WorkerScope); weak_from_this() lets a queued control
// access find out later whether its worker was stopped meanwhile without keeping the token alive.
class WorkerToken : public std::enable_shared_from_this<WorkerToken> {
public:
    explicit WorkerToken(uint64_t id) : m_id(id) {}
    uint64_t Id() const { return m_id; }

    // Also releases a paused worker so that it can unwind, and stops its follow-ups.
    void RequestStop();
    // A thread this worker started to go on with its work: it is stopped with this worker (at once when
    // this one was stopped already), and paused and resumed with it.
    void AddFollowUp(const std::shared_ptr<WorkerToken>& followUp);
    bool StopRequested() const { return m_stop.load(std::memory_order_acquire); }
    const std::atomic<bool>& StopFlag() const { return m_stop; }

    void Pause();
    void Resume();
    bool Paused() const;
    // True while its thread waits at a check point for a resume: the pause has taken hold of it.
    bool Held() const { return m_held.load(std::memory_order_acquire); }

    // Waits while paused; throws WorkerStopped once a stop was requested.
    void CheckPoint();
    // Sleeps up to the given time, waking early on a stop; then passes the check point.
    void Sleep(std::chrono::milliseconds duration);
    // As Sleep, up to a point in time.
    void SleepUntil(std::chrono::steady_clock::time_point deadline);

    bool Finished() const { return m_finished.load(std::memory_order_acquire); }
    void MarkFinished();
    // Waits until the thread has left its routine; true when it did within the time.
    bool WaitFinished(std::chrono::milliseconds timeout);

private:
    void SetPaused(bool paused);

    const uint64_t m_id;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_paused = false;
    std::atomic<bool> m_held{false};
    std::vector<std::weak_ptr<WorkerToken>> m_followUps;
};

// The calling thread's token, or nullptr on threads that are not workers (the window thread).
WorkerToken* CurrentWorker();
// The current worker's check point; does nothing on other threads.
void WorkerCheckPoint();
// True when the calling thread is a worker that was told to stop (read by transfer progress callbacks).
bool CurrentWorkerStopping();
// Waits until the deadline: on a worker through its token (a stop ends the wait and unwinds, a pause
// holds the worker at the end), on other threads a plain sleep.
void WaitUntil(std::chrono::steady_clock::time_point deadline);

// Runs the routine on a new thread with a token of its own. WorkerStopped ends the routine quietly.
// Returns nullptr when the thread cannot be created. Every such thread is known to StopAllWorkers.
std::shared_ptr<WorkerToken> StartWorkerThread(std::function<void()> routine);

// As StartWorkerThread, for work that the calling worker hands on: the new thread is not tracked, but a
// stop, pause or resume of the calling worker reaches it (the transfers a collection runs ahead of what
// it shows). Called outside a worker, it is a plain StartWorkerThread.
std::shared_ptr<WorkerToken> StartFollowUpThread(std::function<void()> routine);

// Makes the calling thread a worker with the given token for the life of the scope (tests, benchmarks).
class WorkerScope {
public:
    explicit WorkerScope(std::shared_ptr<WorkerToken> token);
    ~WorkerScope();
    WorkerScope(const WorkerScope&) = delete;
    WorkerScope& operator=(const WorkerScope&) = delete;

private:
    std::shared_ptr<WorkerToken> m_token;
    WorkerToken* m_previous;
};

// The one tracked worker. Used from the window thread only.
class TrackedWorker {
public:
    // Ends the current worker, then starts the routine; false when no thread could be created (the handle
    // is then 0).
    bool Start(std::function<void()> routine);
    // Ends the current worker, then tracks one started elsewhere (a page's request); null tracks none.
    void Adopt(std::shared_ptr<WorkerToken> token);
    // The current worker stops at once and performs no further step; nothing happens without one.
    void EndCurrent();
    void Pause();
    void Resume();
    // The handle of the most recently started worker, 0 before the first start (kept after it ended).
    uint64_t Handle() const;
    std::shared_ptr<WorkerToken> Current() const;

private:
    std::shared_ptr<WorkerToken> m_current;
};

// Asks every worker thread, tracked or not, to stop, then waits up to the timeout for all of them to
// leave. Returns true when none is left.
bool StopAllWorkers(std::chrono::milliseconds timeout);
// Number of worker threads still inside their routine.
int RunningWorkerCount();

}  // namespace dorvane

#include "core/WorkAhead.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <utility>

namespace dorvane {

struct WorkAhead::Job {
    Ticket ticket = 0;
    std::function<Clock::time_point()> run;
    std::function<void()> then;  // the second step, due when the first one says
    Clock::time_point due{};      // not started before
    bool ended = false;
    std::exception_ptr error;
};

// What the queue's threads share with it; they hold it, so a thread that leaves late finds it alive.
struct WorkAhead::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<Job>> waiting;      // queued, not started
    std::map<Ticket, std::shared_ptr<Job>> queued;  // queued, not taken
    bool closing = false;
};

namespace {

// How often a caller waiting in Take looks at its own stop and pause.
constexpr auto kTakeSlice = std::chrono::milliseconds(20);
constexpr int kMostThreads = 16;

WorkAhead::Clock::time_point RunJob(const std::function<WorkAhead::Clock::time_point()>& run,
                                    std::exception_ptr& error) {
    try {
        WorkerCheckPoint();
        return run();
    } catch (...) {
        error = std::current_exception();
    }
    return {};
}

}  // namespace

// The first waiting job that is due, taken off the queue; otherwise null, and when the earliest of them
// falls due.
std::shared_ptr<WorkAhead::Job> WorkAhead::TakeDue(Shared& shared, Clock::time_point& earliest) {
    const Clock::time_point now = Clock::now();
    earliest = Clock::time_point::max();
    for (auto job = shared.waiting.begin(); job != shared.waiting.end(); ++job) {
        if ((*job)->due <= now) {
            std::shared_ptr<Job> due = std::move(*job);
            shared.waiting.erase(job);
            return due;
        }
        earliest = std::min(earliest, (*job)->due);
    }
    return nullptr;
}

// Runs a step of the job; a second step goes back to the head of the queue, to start once it is due.
void WorkAhead::RunStep(Shared& shared, const std::shared_ptr<Job>& job) {
    std::exception_ptr error;
    const Clock::time_point due = RunJob(job->run, error);
    {
        std::lock_guard lock(shared.mutex);
        if (job->then && !error) {
            job->run = [then = std::move(job->then)] {
                then();
                return Clock::time_point{};
            };
            job->then = nullptr;
            job->due = due;
            shared.waiting.push_front(job);
        } else {
            job->run = nullptr;
            job->error = std::move(error);
            job->ended = true;
        }
    }
    shared.changed.notify_all();
}

WorkAhead::WorkAhead(int threads)
    : m_threads(std::clamp(threads, 1, kMostThreads)), m_shared(std::make_shared<Shared>()) {}

WorkAhead::~WorkAhead() {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->closing = true;
        m_shared->waiting.clear();
    }
    m_shared->changed.notify_all();
    for (const auto& token : m_tokens) token->RequestStop();
    for (const auto& token : m_tokens) {
        while (!token->WaitFinished(std::chrono::seconds(1))) {
        }
    }
}

int WorkAhead::Outstanding() const { return m_outstanding; }

void WorkAhead::AddThread() {
    std::shared_ptr<Shared> shared = m_shared;
    std::shared_ptr<WorkerToken> token = StartFollowUpThread([shared] {
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock lock(shared->mutex);
                Clock::time_point earliest;
                while (!shared->closing && !(job = TakeDue(*shared, earliest))) {
                    if (earliest == Clock::time_point::max()) {
                        shared->changed.wait(lock);
                    } else {
                        shared->changed.wait_until(lock, earliest);
                    }
                }
                if (shared->closing) return;
            }
            RunStep(*shared, job);
        }
    });
    if (token) m_tokens.push_back(std::move(token));
}

WorkAhead::Ticket WorkAhead::Queue(std::function<void()> job) {
    return Queue(
        [job = std::move(job)] {
            job();
            return Clock::time_point{};
        },
        nullptr);
}

WorkAhead::Ticket WorkAhead::Queue(std::function<Clock::time_point()> first, std::function<void()> then) {
    auto queued = std::make_shared<Job>();
    queued->ticket = m_next++;
    queued->run = std::move(first);
    queued->then = std::move(then);
    ++m_outstanding;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->queued.emplace(queued->ticket, queued);
        m_shared->waiting.push_back(queued);
    }
    m_shared->changed.notify_all();
    if (static_cast<int>(m_tokens.size()) < std::min(m_threads, Outstanding())) AddThread();
    if (m_tokens.empty()) {
        // No thread could be made: the job runs here and now, which is what one thread would do.
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->waiting.clear();
        }
        while (!Ended(queued->ticket)) {
            RunStep(*m_shared, queued);
            if (!Ended(queued->ticket)) {
                WaitUntil(queued->due);
                std::lock_guard lock(m_shared->mutex);
                m_shared->waiting.clear();
            }
        }
    }
    return queued->ticket;
}

bool WorkAhead::Ended(Ticket ticket) const {
    std::lock_guard lock(m_shared->mutex);
    const auto found = m_shared->queued.find(ticket);
    return found == m_shared->queued.end() || found->second->ended;
}

void WorkAhead::Take(Ticket ticket) {
    std::shared_ptr<Job> job;
    for (;;) {
        {
            std::unique_lock lock(m_shared->mutex);
            const auto found = m_shared->queued.find(ticket);
            if (found == m_shared->queued.end()) return;
            if (m_shared->changed.wait_for(lock, kTakeSlice, [&] { return found->second->ended; })) {
                job = found->second;
                m_shared->queued.erase(found);
                break;
            }
        }
        WorkerCheckPoint();
    }
    --m_outstanding;
    if (job->error) std::rethrow_exception(job->error);
}

}  // namespace dorvane

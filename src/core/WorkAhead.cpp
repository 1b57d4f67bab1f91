#include "core/WorkAhead.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <utility>

namespace dorvane {

struct WorkAhead::Job {
    Ticket ticket = 0;
    std::function<void()> run;
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

void RunJob(const std::function<void()>& run, std::exception_ptr& error) {
    try {
        WorkerCheckPoint();
        run();
    } catch (...) {
        error = std::current_exception();
    }
}

}  // namespace

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
                shared->changed.wait(lock, [&] { return shared->closing || !shared->waiting.empty(); });
                if (shared->closing) return;
                job = std::move(shared->waiting.front());
                shared->waiting.pop_front();
            }
            std::exception_ptr error;
            RunJob(job->run, error);
            {
                std::lock_guard lock(shared->mutex);
                job->run = nullptr;
                job->error = std::move(error);
                job->ended = true;
            }
            shared->changed.notify_all();
        }
    });
    if (token) m_tokens.push_back(std::move(token));
}

WorkAhead::Ticket WorkAhead::Queue(std::function<void()> job) {
    auto queued = std::make_shared<Job>();
    queued->ticket = m_next++;
    queued->run = std::move(job);
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
        std::exception_ptr error;
        RunJob(queued->run, error);
        std::lock_guard lock(m_shared->mutex);
        queued->error = std::move(error);
        queued->ended = true;
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

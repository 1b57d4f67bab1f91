#include "core/Worker.h"

#include <set>
#include <system_error>
#include <thread>

#include "core/Failures.h"

namespace dorvane {

namespace {

thread_local WorkerToken* t_current = nullptr;

struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<std::shared_ptr<WorkerToken>> running;
    uint64_t nextId = 1;
};

Registry& TheRegistry() {
    // Never destroyed: detached threads may still report their end while the process exits.
    static Registry* registry = new Registry;
    return *registry;
}

}  // namespace

void WorkerToken::RequestStop() {
    std::vector<std::weak_ptr<WorkerToken>> followUps;
    {
        std::lock_guard lock(m_mutex);
        m_stop.store(true, std::memory_order_release);
        followUps.swap(m_followUps);
    }
    m_changed.notify_all();
    for (const auto& weak : followUps) {
        if (auto followUp = weak.lock()) followUp->RequestStop();
    }
}

void WorkerToken::AddFollowUp(const std::shared_ptr<WorkerToken>& followUp) {
    bool paused = false;
    {
        std::lock_guard lock(m_mutex);
        if (!StopRequested()) {
            std::erase_if(m_followUps, [](const auto& weak) { return weak.expired(); });
            m_followUps.push_back(followUp);
            paused = m_paused;
        }
    }
    if (StopRequested()) {
        followUp->RequestStop();
    } else if (paused) {
        followUp->Pause();
    }
}

void WorkerToken::SetPaused(bool paused) {
    std::vector<std::weak_ptr<WorkerToken>> followUps;
    {
        std::lock_guard lock(m_mutex);
        m_paused = paused;
        followUps = m_followUps;
    }
    m_changed.notify_all();
    for (const auto& weak : followUps) {
        if (auto followUp = weak.lock()) followUp->SetPaused(paused);
    }
}

void WorkerToken::Pause() { SetPaused(true); }

void WorkerToken::Resume() { SetPaused(false); }

bool WorkerToken::Paused() const {
    std::lock_guard lock(m_mutex);
    return m_paused;
}

void WorkerToken::CheckPoint() {
    std::unique_lock lock(m_mutex);
    m_held = true;
    m_changed.wait(lock, [this] { return !m_paused || StopRequested(); });
    m_held = false;
    if (StopRequested()) throw WorkerStopped{};
}

void WorkerToken::Sleep(std::chrono::milliseconds duration) {
    SleepUntil(std::chrono::steady_clock::now() + duration);
}

void WorkerToken::SleepUntil(std::chrono::steady_clock::time_point deadline) {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_until(lock, deadline, [this] { return StopRequested(); });
    }
    CheckPoint();
}

void WorkerToken::MarkFinished() {
    {
        std::lock_guard lock(m_mutex);
        m_finished.store(true, std::memory_order_release);
    }
    m_changed.notify_all();
}

bool WorkerToken::WaitFinished(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return Finished(); });
}

WorkerToken* CurrentWorker() { return t_current; }

void WorkerCheckPoint() {
    if (t_current) t_current->CheckPoint();
}

bool CurrentWorkerStopping() { return t_current && t_current->StopRequested(); }

void WaitUntil(std::chrono::steady_clock::time_point deadline) {
    if (t_current) {
        t_current->SleepUntil(deadline);
    } else {
        std::this_thread::sleep_until(deadline);
    }
}

WorkerScope::WorkerScope(std::shared_ptr<WorkerToken> token)
    : m_token(std::move(token)), m_previous(t_current) {
    t_current = m_token.get();
}

WorkerScope::~WorkerScope() { t_current = m_previous; }

std::shared_ptr<WorkerToken> StartWorkerThread(std::function<void()> routine) {
    Registry& registry = TheRegistry();
    std::shared_ptr<WorkerToken> token;
    {
        std::lock_guard lock(registry.mutex);
        token = std::make_shared<WorkerToken>(registry.nextId++);
        registry.running.insert(token);
    }
    try {
        std::thread([token, routine = std::move(routine)] {
            t_current = token.get();
            try {
                if (routine) routine();
            } catch (const WorkerStopped&) {
                // A requested stop: the routine simply ends here.
            } catch (...) {
                // Failures never leave a routine; one that slips through is reported and must not end the
                // whole process from a background thread.
                ReportUnhandled("worker routine");
            }
            t_current = nullptr;
            Registry& reg = TheRegistry();
            {
                std::lock_guard lock(reg.mutex);
                reg.running.erase(token);
            }
            token->MarkFinished();
            reg.changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        std::lock_guard lock(registry.mutex);
        registry.running.erase(token);
        return nullptr;
    }
    return token;
}

std::shared_ptr<WorkerToken> StartFollowUpThread(std::function<void()> routine) {
    WorkerToken* parent = CurrentWorker();
    std::shared_ptr<WorkerToken> token = StartWorkerThread(std::move(routine));
    if (token && parent) parent->AddFollowUp(token);
    return token;
}

bool TrackedWorker::Start(std::function<void()> routine) {
    EndCurrent();
    m_current = StartWorkerThread(std::move(routine));
    return m_current != nullptr;
}

void TrackedWorker::Adopt(std::shared_ptr<WorkerToken> token) {
    EndCurrent();
    // A handle of 0 is kept for "never started", as Start keeps it after a failed start.
    m_current = std::move(token);
}

void TrackedWorker::EndCurrent() {
    if (m_current) m_current->RequestStop();
}

void TrackedWorker::Pause() {
    if (m_current) m_current->Pause();
}

void TrackedWorker::Resume() {
    if (m_current) m_current->Resume();
}

uint64_t TrackedWorker::Handle() const { return m_current ? m_current->Id() : 0; }

std::shared_ptr<WorkerToken> TrackedWorker::Current() const { return m_current; }

bool StopAllWorkers(std::chrono::milliseconds timeout) {
    Registry& registry = TheRegistry();
    std::unique_lock lock(registry.mutex);
    for (const auto& token : registry.running) token->RequestStop();
    return registry.changed.wait_for(lock, timeout, [&] { return registry.running.empty(); });
}

int RunningWorkerCount() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return static_cast<int>(registry.running.size());
}

}  // namespace dorvane

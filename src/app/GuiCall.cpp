#include "app/GuiCall.h"

#include <QMetaObject>
#include <QThread>
#include <QtGlobal>
#include <chrono>
#include <condition_variable>

#include "core/Failures.h"
#include "core/Worker.h"

namespace dorvane {

void Guarded(const char* what, const std::function<void()>& body) {
    try {
        body();
    } catch (const WorkerStopped&) {
        if (CurrentWorker()) throw;
    } catch (...) {
        qWarning("%s failed: %s", what, CurrentExceptionText().c_str());
    }
}

bool WindowGate::IsOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

void WindowGate::Close() {
    std::lock_guard lock(m_mutex);
    m_open = false;
}

bool WindowGate::Post(QObject* context, std::function<void()> call) {
    // Held while posting so that the window cannot be destroyed between the check and the post.
    std::lock_guard lock(m_mutex);
    if (!m_open) return false;
    QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
    return true;
}

namespace {

enum class CallState { Pending, Done, Failed, Deferred, Dropped };

// One queued access, shared by the caller that waits for it and the window thread.
struct PendingCall {
    std::mutex mutex;
    std::condition_variable changed;
    CallState state = CallState::Pending;
    bool abandoned = false;          // the caller stopped waiting; the window thread must not run it
    void Finish(CallState result) {  // with the mutex held
        state = result;
        changed.notify_all();
    }
};

// On the window thread: runs the action unless the caller left, the window closed or the calling worker
// was stopped; a paused worker's access goes back to wait at the worker's check point.
void Execute(PendingCall& call, const WindowGate& gate, const std::weak_ptr<WorkerToken>& worker,
             bool fromWorker, const std::function<void()>& action) {
    std::unique_lock lock(call.mutex);
    if (call.abandoned) return;
    const std::shared_ptr<WorkerToken> token = worker.lock();
    if (!gate.IsOpen() || (fromWorker && (!token || token->StopRequested())))
        return call.Finish(CallState::Dropped);
    if (token && token->Paused()) return call.Finish(CallState::Deferred);
    lock.unlock();
    bool ran = false;
    Guarded("control access", [&] {
        action();
        ran = true;
    });
    lock.lock();
    call.Finish(ran ? CallState::Done : CallState::Failed);
}

CallState Await(PendingCall& call, const WindowGate& gate, const WorkerToken* worker) {
    std::unique_lock lock(call.mutex);
    while (call.state == CallState::Pending) {
        call.changed.wait_for(lock, std::chrono::milliseconds(10));
        if (call.state == CallState::Pending && ((worker && worker->StopRequested()) || !gate.IsOpen())) {
            // Whether or not the window thread has started it, the caller leaves now; everything the
            // action needs was copied into it.
            call.abandoned = true;
            return CallState::Dropped;
        }
    }
    return call.state;
}

}  // namespace

bool RunOnWindowThread(GatePtr gate, QObject* context, std::function<void()> action) {
    WorkerToken* worker = CurrentWorker();
    WorkerCheckPoint();
    if (QThread::currentThread() == context->thread()) {
        if (!gate->IsOpen()) return false;
        action();
        return true;
    }
    std::weak_ptr<WorkerToken> weakWorker = worker ? worker->weak_from_this() : std::weak_ptr<WorkerToken>{};
    for (;;) {
        auto call = std::make_shared<PendingCall>();
        const bool posted =
            gate->Post(context, [call, gate, weakWorker, fromWorker = worker != nullptr, action] {
                Execute(*call, *gate, weakWorker, fromWorker, action);
            });
        switch (posted ? Await(*call, *gate, worker) : CallState::Dropped) {
            case CallState::Done:
                return true;
            case CallState::Deferred:
                // Paused after queuing: wait at the check point (or unwind on a stop), then queue again.
                WorkerCheckPoint();
                continue;
            default:  // dropped, or failed (reported on the window thread): a worker ends its routine
                if (worker) throw WorkerStopped{};
                return false;
        }
    }
}

}  // namespace dorvane

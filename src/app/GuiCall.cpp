#include "app/GuiCall.h"

#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <exception>

#include "core/CodePage.h"
#include "core/Worker.h"

namespace dorvane {

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

enum class CallState { Pending, Done, Deferred, Dropped };

struct PendingCall {
    std::mutex mutex;
    std::condition_variable changed;
    CallState state = CallState::Pending;
    bool abandoned = false;  // the caller stopped waiting; the window thread must not run it
    std::exception_ptr error;
};

void Finish(PendingCall& call, CallState state) {
    call.state = state;
    call.changed.notify_all();
}

// Runs on the window thread.
void Execute(const std::shared_ptr<PendingCall>& call, const GatePtr& gate,
             const std::weak_ptr<WorkerToken>& worker, bool fromWorker, const std::function<void()>& action) {
    std::unique_lock lock(call->mutex);
    if (call->abandoned) return;
    if (!gate->IsOpen()) return Finish(*call, CallState::Dropped);
    if (fromWorker) {
        std::shared_ptr<WorkerToken> token = worker.lock();
        if (!token || token->StopRequested()) return Finish(*call, CallState::Dropped);
        if (token->Paused()) return Finish(*call, CallState::Deferred);
    }
    lock.unlock();
    std::exception_ptr error;
    try {
        action();
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    call->error = error;
    Finish(*call, CallState::Done);
}

CallState Await(PendingCall& call, const GatePtr& gate, WorkerToken* worker) {
    std::unique_lock lock(call.mutex);
    while (call.state == CallState::Pending) {
        call.changed.wait_for(lock, std::chrono::milliseconds(10));
        if (call.state != CallState::Pending) break;
        if ((worker && worker->StopRequested()) || !gate->IsOpen()) {
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
                Execute(call, gate, weakWorker, fromWorker, action);
            });
        CallState state = posted ? Await(*call, gate, worker) : CallState::Dropped;
        switch (state) {
            case CallState::Done: {
                std::exception_ptr error;
                {
                    std::lock_guard lock(call->mutex);
                    error = call->error;
                }
                if (error) std::rethrow_exception(error);
                return true;
            }
            case CallState::Deferred:
                // Paused after queuing: wait at the check point (or unwind on a stop), then queue again.
                WorkerCheckPoint();
                continue;
            case CallState::Dropped:
            case CallState::Pending:
                if (worker) throw WorkerStopped{};
                return false;
        }
    }
}

QString ToQt(const Text& gbk) {
    const std::string utf8 = SystemTextToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text FromQt(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToSystemText(std::string(utf8.constData(), static_cast<size_t>(utf8.size())));
}

}  // namespace dorvane

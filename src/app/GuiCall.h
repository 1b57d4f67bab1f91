#pragma once
// Carrying control accesses from other threads out on the window thread.
//
// A worker never touches a widget itself: it queues the access to the window thread and waits. The wait
// also watches the worker's stop flag and the window's gate, so a stopped worker or a closed window never
// leaves it hanging. A queued access whose worker was stopped by the time the window thread reaches it is
// dropped, and one whose worker is paused is handed back to wait at the worker's check point, so that after
// a stop no further step happens and while paused none does.
#include <QObject>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>

namespace dorvane {

// Runs the body; an exception escaping it is reported with qWarning (naming what was running) and goes no
// further, so none reaches Qt's event dispatch. WorkerStopped is no failure: on a worker thread it passes
// through so that the worker unwinds; elsewhere there is nothing to unwind and it ends the body quietly.
void Guarded(const char* what, const std::function<void()>& body);

// Open while the window whose controls it guards exists. Closing it makes every waiting or later access
// from another thread give up (workers unwind with WorkerStopped, other threads get an empty result).
class WindowGate {
public:
    bool IsOpen() const;
    void Close();
    // Queues the call on the context object's thread unless the gate is closed; false when closed.
    bool Post(QObject* context, std::function<void()> call);

private:
    mutable std::mutex m_mutex;
    bool m_open = true;
};
using GatePtr = std::shared_ptr<WindowGate>;

// Runs the action on the context object's (window) thread and waits for it. True when it ran; false when
// the gate closed, or the action failed (reported through Guarded), on a thread that is not a worker; a
// worker gets WorkerStopped instead. On the window thread itself the action runs directly.
bool RunOnWindowThread(GatePtr gate, QObject* context, std::function<void()> action);

template <class F>
auto OnWindowThread(GatePtr gate, QObject* context, F action) -> std::invoke_result_t<F> {
    using R = std::invoke_result_t<F>;
    if constexpr (std::is_void_v<R>) {
        RunOnWindowThread(std::move(gate), context, std::move(action));
    } else {
        // Shared so that a result arriving after the caller gave up has somewhere to go.
        auto result = std::make_shared<R>();
        if (!RunOnWindowThread(std::move(gate), context, [result, action] { *result = action(); }))
            return R{};
        return std::move(*result);
    }
}

}  // namespace dorvane

#pragma once
// A fixture server's answer held in its hook until the test lets it go. The hook shares the gate, since the
// server's thread may still be inside it when the test ends; the test's holder lets it go when it goes.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "support/FixtureSites.h"

namespace dorvane::test {

class RequestGate {
public:
    // On the server's thread: the request has come, and waits for the release.
    void Pass() {
        std::unique_lock lock(m_mutex);
        m_reached = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
    }
    bool WaitReached() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(60), [this] { return m_reached; });
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_reached = false;
    bool m_released = false;
};

class HeldRequest {
public:
    HeldRequest() = default;
    HeldRequest(HeldRequest&&) = default;
    HeldRequest& operator=(HeldRequest&&) = default;
    ~HeldRequest() {
        if (m_gate) m_gate->Release();
    }
    bool WaitReached() { return m_gate->WaitReached(); }
    void Release() { m_gate->Release(); }

    // A hook for the server: the `from`th request for `path`, and every one after it, is held.
    std::function<void(const std::string&)> Hook(std::string path, int from = 1) const {
        return [gate = m_gate, path = std::move(path), from, hits = std::make_shared<std::atomic<int>>(0)](
                   const std::string& requested) {
            if (requested == path && ++*hits >= from) gate->Pass();
        };
    }

private:
    std::shared_ptr<RequestGate> m_gate = std::make_shared<RequestGate>();
};

// The answer to the image at `path` is held until released.
inline HeldRequest HoldImage(FixtureSites& sites, const std::string& path) {
    HeldRequest held;
    sites.SetImageHook(held.Hook(path));
    return held;
}

}  // namespace dorvane::test

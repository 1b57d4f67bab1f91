#pragma once
// A clock for the catalogue that stands still until the test moves it, so that what the quiet line and
// the address pause decide never depends on how fast the test's threads are scheduled.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "notice/CatalogueClock.h"

namespace dorvane::test {

class ManualClock final : public notice::CatalogueClock {
public:
    TimePoint Now() override {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    // Waits for a notification only: the deadline can pass only through Advance, which notifies.
    void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TimePoint deadline) override {
        const Waiter waiter{&changed, lock.mutex()};
        {
            std::lock_guard own(m_mutex);
            if (m_now >= deadline) return;
            m_waiters.push_back(waiter);
            ++m_waits;
        }
        m_waiting.notify_all();
        changed.wait(lock);
        std::lock_guard own(m_mutex);
        m_waiters.erase(std::find(m_waiters.begin(), m_waiters.end(), waiter));
    }
    // Moves the time on and wakes whoever waits on this clock.
    void Advance(std::chrono::milliseconds by) {
        std::vector<Waiter> waiters;
        {
            std::lock_guard own(m_mutex);
            m_now += by;
            waiters = m_waiters;
        }
        // Taking the waiter's own lock makes sure it is waiting already, so the wake-up cannot be missed.
        for (const Waiter& waiter : waiters) {
            std::lock_guard theirs(*waiter.mutex);
            waiter.changed->notify_all();
        }
    }
    // Waits until a wait on the clock has begun since the given count of waits; the new count.
    int WaitForWaiter(int waitsBefore) {
        std::unique_lock own(m_mutex);
        m_waiting.wait(own, [&] { return m_waits > waitsBefore; });
        return m_waits;
    }
    int Waits() {
        std::lock_guard own(m_mutex);
        return m_waits;
    }

private:
    struct Waiter {
        std::condition_variable* changed;
        std::mutex* mutex;
        bool operator==(const Waiter&) const = default;
    };
    std::mutex m_mutex;
    std::condition_variable m_waiting;
    TimePoint m_now{};
    std::vector<Waiter> m_waiters;
    int m_waits = 0;
};

}  // namespace dorvane::test

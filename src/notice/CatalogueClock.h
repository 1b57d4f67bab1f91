#pragma once
// The time the catalogue conversation waits by: the quiet line that ends a message and the pause before an
// address is shown. The program uses the system's steady clock; tests move a clock of their own by hand.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace dorvane::notice {

class CatalogueClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~CatalogueClock() = default;
    virtual TimePoint Now() = 0;
    // With `lock` held: waits on `changed` until it is notified or, at the latest, until this clock reaches
    // the deadline. May return early; callers check what they wait for again.
    virtual void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                           TimePoint deadline) = 0;

    // The system's steady clock, shared by every session.
    static CatalogueClock& System();
};

}  // namespace dorvane::notice

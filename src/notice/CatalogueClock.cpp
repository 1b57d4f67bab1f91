#include "notice/CatalogueClock.h"

namespace dorvane::notice {

namespace {

class SteadyClock final : public CatalogueClock {
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TimePoint deadline) override {
        changed.wait_until(lock, deadline);
    }
};

}  // namespace

CatalogueClock& CatalogueClock::System() {
    static SteadyClock clock;
    return clock;
}

}  // namespace dorvane::notice

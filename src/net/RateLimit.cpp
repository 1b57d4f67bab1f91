#include "net/RateLimit.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "core/Worker.h"

namespace dorvane {

namespace {

using Clock = std::chrono::steady_clock;

// Hosts whose turn lies in the past are forgotten once this many are known.
constexpr size_t kPruneAbove = 256;
// However low the rate is set, one turn never waits longer than this after the previous one.
constexpr double kLongestIntervalSeconds = 3600;

struct Schedule {
    std::mutex mutex;
    std::unordered_map<std::string, Clock::time_point> nextTurn;
};

Schedule& TheSchedule() {
    // Never destroyed: detached worker threads may still fetch while the process exits.
    static Schedule* schedule = new Schedule;
    return *schedule;
}

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::string UrlPart(CURLU* url, CURLUPart part, unsigned int flags) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, flags) != CURLUE_OK || !value) return {};
    std::string text(value);
    curl_free(value);
    return text;
}

Clock::time_point TakeTurn(const std::string& hostKey, Clock::duration interval) {
    Schedule& schedule = TheSchedule();
    std::lock_guard lock(schedule.mutex);
    const Clock::time_point now = Clock::now();
    if (schedule.nextTurn.size() > kPruneAbove) {
        std::erase_if(schedule.nextTurn, [now](const auto& entry) { return entry.second <= now; });
    }
    Clock::time_point& next = schedule.nextTurn[hostKey];
    const Clock::time_point turn = std::max(now, next);
    next = turn + interval;
    return turn;
}

}  // namespace

std::string HostKeyOf(const std::string& wireUrl) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, wireUrl.c_str(), 0) != CURLUE_OK) return {};
    std::string host = UrlPart(parsed.get(), CURLUPART_HOST, 0);
    if (host.empty()) return {};
    for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return host + ":" + UrlPart(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
}

void WaitForHostTurn(const std::string& hostKey, double requestsPerSecond) {
    if (!(requestsPerSecond > 0) || hostKey.empty()) return;
    const double seconds = std::min(1.0 / requestsPerSecond, kLongestIntervalSeconds);
    const auto interval = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    WaitUntil(TakeTurn(hostKey, interval));
}

}  // namespace dorvane

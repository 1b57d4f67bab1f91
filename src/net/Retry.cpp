#include "net/Retry.h"

#include <curl/curl.h>

#include <algorithm>
#include <ctime>
#include <optional>
#include <string>
#include <utility>

#include "core/Worker.h"
#include "net/FetchRequests.h"
#include "net/HeaderLines.h"
#include "net/PageDecoding.h"

namespace dorvane {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kFirstPause{500};
constexpr milliseconds kLongestPause{30000};
constexpr long long kLongestPauseSeconds = 30;

// The seconds a Retry-After value asks to wait, held to 0..30; nullopt when it is neither a number of
// seconds nor an HTTP date.
std::optional<long long> RetryAfterSeconds(const std::string& value) {
    if (value.empty()) return std::nullopt;
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        long long seconds = 0;
        for (char c : value) seconds = std::min(seconds * 10 + (c - '0'), kLongestPauseSeconds + 1);
        return std::min(seconds, kLongestPauseSeconds);
    }
    const time_t when = curl_getdate(value.c_str(), nullptr);
    if (when == -1) return std::nullopt;
    const long long ahead = static_cast<long long>(when) - static_cast<long long>(std::time(nullptr));
    return std::clamp(ahead, 0LL, kLongestPauseSeconds);
}

FetchResult Retried(FetchRequest request, const NetworkLimits& limits) {
    request.maxBodyBytes = limits.maxBodyBytes;
    request.requestsPerSecond = limits.requestsPerSecond;
    return FetchWithRetries(
        [&request] {
            WorkerCheckPoint();
            return PerformFetch(request);
        },
        limits.retries);
}

// Anything but a success hands on no body.
FetchResult BodyOnlyOnSuccess(FetchResult result) {
    if (!result.Succeeded()) Bytes().swap(result.body);
    return result;
}

}  // namespace

bool IsTransient(const FetchResult& result) {
    switch (result.outcome) {
        case FetchOutcome::ConnectFailed:
        case FetchOutcome::NoResponse:
        case FetchOutcome::BodyCutOff:
            return true;
        case FetchOutcome::Complete:
            return result.status == 429 || (result.status >= 500 && result.status <= 599);
        case FetchOutcome::BadAddress:
        case FetchOutcome::BadHeader:
        case FetchOutcome::TooLarge:
        case FetchOutcome::Stopped:
            break;
    }
    return false;
}

milliseconds RetryPause(const FetchResult& result, int failedTries) {
    if (std::optional<std::string> value = net_detail::FirstHeaderValue(result.headerBlock, "Retry-After:")) {
        if (std::optional<long long> seconds = RetryAfterSeconds(*value))
            return milliseconds(*seconds * 1000);
    }
    milliseconds pause = kFirstPause;
    for (int tries = 1; tries < failedTries && pause < kLongestPause; ++tries) pause *= 2;
    return std::min(pause, kLongestPause);
}

FetchResult FetchWithRetries(const std::function<FetchResult()>& attempt, int retries) {
    FetchResult result = attempt();
    for (int failed = 1; failed <= retries && IsTransient(result); ++failed) {
        WaitUntil(std::chrono::steady_clock::now() + RetryPause(result, failed));
        result = attempt();
    }
    return result;
}

Text FetchPageText(const Text& url, const Text& extraHeaders, const NetworkLimits& limits) {
    FetchResult result =
        Retried(PageFetchRequest(url, {.method = HttpMethod::Get, .extraHeaders = extraHeaders}), limits);
    if (!result.Succeeded()) return {};
    return DecodeOwnedPageBody(std::move(result.body), result.headerBlock);
}

FetchResult FetchImageBytes(const Text& url, const Text& extraHeaders, const NetworkLimits& limits) {
    // A copy: the block written back is of no use to a caller that only wants the image.
    Text headers = extraHeaders;
    return BodyOnlyOnSuccess(Retried(
        ObjectFetchRequest(url, {.method = HttpMethod::Get, .sendCookies = std::nullopt}, headers), limits));
}

FetchResult PlainDownloadRetrying(const Text& url, const NetworkLimits& limits) {
    return BodyOnlyOnSuccess(Retried(PlainDownloadRequest(url), limits));
}

}  // namespace dorvane

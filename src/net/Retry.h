#pragma once
// Trying an exchange again when its failure may pass: a connection that failed or broke, a stall, an answer
// that never came or stopped half way, and the answers 429 and 5xx. Between tries the calling worker pauses
// through its token, so a stop ends the pause at once (WorkerStopped is thrown) and a pause of the worker
// holds it there; outside a worker the pause is a plain sleep.
#include <chrono>
#include <functional>

#include "core/Text.h"
#include "net/Fetch.h"

namespace dorvane {

// True for a failure worth another try (see above). Never for any other answer, a body beyond the limit,
// a stop, an address or header line that cannot be sent.
bool IsTransient(const FetchResult& result);

// The pause after the given number of failed tries (1 after the first): 500 ms, doubling with each further
// try, at most 30 s. A Retry-After line of the answer (seconds, or an HTTP date) decides instead; it too is
// held to 30 s.
std::chrono::milliseconds RetryPause(const FetchResult& result, int failedTries);

// Runs attempt once, then up to retries more times while its result is transient; the last result.
FetchResult FetchWithRetries(const std::function<FetchResult()>& attempt, int retries);

// The retrying forms of the fetch paths, under the given limits: limits.retries more tries, each request
// at most limits.maxBodyBytes and at limits.requestsPerSecond. Each try passes the calling worker's check
// point first.

// The request and decoding of HttpFetch(url, HttpMethod::Get, {}, {}, {}, extraHeaders); empty text unless
// the final try succeeded.
Text FetchPageText(const Text& url, const Text& extraHeaders = {}, const NetworkLimits& limits = {});
// The request of HttpObjectFetch(url, HttpMethod::Get, {}, std::nullopt, {}, Out<Text>(extraHeaders)).
// Unless the final try succeeded (an answer of 400 or more counts as failed) the body is empty.
FetchResult FetchImageBytes(const Text& url, const Text& extraHeaders, const NetworkLimits& limits = {});
// The request of PlainDownload(url); failed and empty as FetchImageBytes.
FetchResult PlainDownloadRetrying(const Text& url, const NetworkLimits& limits = {});

}  // namespace dorvane

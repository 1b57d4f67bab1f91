#pragma once
// One complete HTTP or HTTPS exchange returning the body as GBK text. Failures come back as a numbered
// message in statusText and an empty result; nothing is kept between calls. A worker that is told to stop
// aborts its transfer (the call then returns like a failure and the worker's next check point unwinds).
// A body beyond the default limit (NetworkLimits) is abandoned as a failed read.
#include <utility>

#include "core/Out.h"
#include "core/Text.h"
#include "net/Fetch.h"

namespace dorvane {

Text HttpFetch(const Text& url, HttpMethod method = HttpMethod::Get, const Text& postText = {},
               const Text& sendCookies = {}, Out<Text> newCookies = {}, const Text& extraHeaders = {},
               Out<Text> responseHeaders = {}, bool noRedirect = false, const Text& serverUser = {},
               const Text& serverPassword = {}, const Text& proxy = {}, const Text& proxyUser = {},
               const Text& proxyPassword = {}, int timeoutSeconds = 0, Out<Text> location = {},
               Out<Text> statusText = {}, Out<Bytes> responseBytes = {}, bool mergeCookies = true,
               bool addDefaultHeaders = true, const Bytes& postBytes = {}, bool normaliseHeaders = true);

}  // namespace dorvane

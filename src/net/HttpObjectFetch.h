#pragma once
// The second fetch path: returns the response body unchanged as bytes; an empty byte set on failure (a body
// beyond the default limit of NetworkLimits included).
#include <optional>

#include "core/Out.h"
#include "core/Text.h"
#include "net/Fetch.h"

namespace dorvane {

// Keeps state (cookies) across calls when a caller passes the same object to several fetches.
struct HttpRequestObject {
    Text cookies;
};

// sendCookies: std::nullopt when the caller does not supply it. extraHeaders is in and out: the default
// lines and the normalised block are written back when it is bound to the caller's variable.
// timeoutSeconds: -1 leaves the time-outs untouched, 0 or less means 15 seconds.
Bytes HttpObjectFetch(const Text& url, HttpMethod method = HttpMethod::Get, const Text& postText = {},
                      const std::optional<Text>& sendCookies = std::nullopt, Out<Text> newCookies = {},
                      Out<Text> extraHeaders = {}, Out<Text> responseHeaders = {}, Out<int> status = {},
                      bool noRedirect = false, const Bytes& postBytes = {}, const Text& proxy = {},
                      int timeoutSeconds = 0, const Text& proxyUser = {}, const Text& proxyPassword = {},
                      int credentialFlags = 1, HttpRequestObject* requestObject = nullptr,
                      bool mergeCookies = true, bool addDefaultHeaders = true, bool normaliseHeaders = true);

}  // namespace dorvane

#pragma once
// How each fetch path turns its parameters into a FetchRequest; shared by the paths themselves and by their
// retrying forms (net/Retry.h), so that both send exactly the same request.
#include <optional>

#include "net/Fetch.h"
#include "net/HttpObjectFetch.h"

namespace dorvane {

// HttpFetch's request. timeoutSeconds 0 or less: 30 seconds for connecting and for a stall.
FetchRequest PageFetchRequest(const Text& url, HttpMethod method = HttpMethod::Get, const Text& postText = {},
                              const Text& sendCookies = {}, const Text& extraHeaders = {},
                              bool noRedirect = false, const Text& serverUser = {},
                              const Text& serverPassword = {}, const Text& proxy = {},
                              const Text& proxyUser = {}, const Text& proxyPassword = {},
                              int timeoutSeconds = 0, bool addDefaultHeaders = true,
                              const Bytes& postBytes = {}, bool normaliseHeaders = true);

// HttpObjectFetch's request. headers is in and out: the default lines and the normalised block are
// written back into it.
FetchRequest ObjectFetchRequest(const Text& url, HttpMethod method, const Text& postText,
                                const std::optional<Text>& sendCookies, Text& headers, bool noRedirect,
                                const Bytes& postBytes, const Text& proxy, int timeoutSeconds,
                                const Text& proxyUser, const Text& proxyPassword, int credentialFlags,
                                const HttpRequestObject* requestObject, bool addDefaultHeaders,
                                bool normaliseHeaders);

// PlainDownload's request: HTTP/1.0 GET with the single line "Accept: */*".
FetchRequest PlainDownloadRequest(const Text& url);

}  // namespace dorvane

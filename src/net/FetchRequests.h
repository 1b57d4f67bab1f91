#pragma once
// How each fetch path turns its parameters into a FetchRequest; shared by the paths themselves and by their
// retrying forms (net/Retry.h), so that both send exactly the same request. The options are named fields
// with the defaults of the path's own parameter list, so a call names only what differs:
// PageFetchRequest(url, {.method = HttpMethod::Post, .postText = form}).
#include <optional>

#include "net/Fetch.h"
#include "net/HttpObjectFetch.h"

namespace dorvane {

// HttpFetch's request parameters (fields in the order a designated initialiser must name them).
struct PageRequestOptions {
    HttpMethod method = HttpMethod::Get;
    Text postText{};
    Bytes postBytes{};   // sent instead of postText when not empty
    Text sendCookies{};  // a Cookie line of extraHeaders wins over it
    Text extraHeaders{};
    bool noRedirect = false;
    // Server credentials count only when both halves are given.
    Text serverUser{};
    Text serverPassword{};
    Text proxy{};
    // Proxy credentials count only with a proxy and when both halves are given.
    Text proxyUser{};
    Text proxyPassword{};
    int timeoutSeconds = 0;  // 0 or less: 30 seconds for connecting and for a stall
    bool addDefaultHeaders = true;
    bool normaliseHeaders = true;
};

// HttpObjectFetch's request parameters but its header block (in and out, see ObjectFetchRequest).
struct ObjectRequestOptions {
    HttpMethod method = HttpMethod::Get;
    Text postText{};
    Bytes postBytes{};                  // sent instead of postText when not empty
    std::optional<Text> sendCookies{};  // std::nullopt: the caller supplies none
    bool noRedirect = false;
    Text proxy{};
    Text proxyUser{};  // used only with a proxy
    Text proxyPassword{};
    int credentialFlags = 1;  // 1: the credentials are the proxy's, 0: the server's; others: unused
    int timeoutSeconds = 0;   // -1 leaves the time-outs untouched, 0 or less means 15 seconds
    const HttpRequestObject* requestObject = nullptr;  // its kept cookies go out when no cookie line does
    bool addDefaultHeaders = true;
    bool normaliseHeaders = true;
};

// Taken by value so the bodies move into the request instead of being copied a second time.
FetchRequest PageFetchRequest(const Text& url, PageRequestOptions options = {});

// headersInOut is the caller's header block: the default lines and the normalised block are written back
// into it, as HttpObjectFetch hands them back through extraHeaders.
FetchRequest ObjectFetchRequest(const Text& url, ObjectRequestOptions options, Text& headersInOut);

// PlainDownload's request: HTTP/1.0 GET with the single line "Accept: */*".
FetchRequest PlainDownloadRequest(const Text& url);

}  // namespace dorvane

#pragma once
// One HTTP or HTTPS exchange as values: a FetchRequest says everything that goes out, PerformFetch carries
// it out on the calling thread's kept libcurl handle and hands back a FetchResult. HttpFetch,
// HttpObjectFetch and PlainDownload are thin wrappers that turn their long parameter lists into a request
// and the result into their own reports.
//
// Before the request goes out PerformFetch waits for the host's turn under the per-host rate limit
// (net/RateLimit.h); a stop during that wait throws WorkerStopped, as a check point does. A worker that is
// told to stop while its transfer runs aborts it within a few tens of milliseconds (the result says
// Stopped, and the caller's next check point unwinds).
#include <string>
#include <vector>

#include "core/NetworkLimits.h"
#include "core/Text.h"

namespace dorvane {

enum class HttpMethod { Get, Post, Head, Put, Options, Delete, Trace, Connect };
// The verb for a method; a value outside the named ones gives "GET".
const char* HttpVerb(HttpMethod method);

struct FetchRequest {
    Text url;  // GBK text as taken from a page; sent UTF-8 and percent-encoded
    HttpMethod method = HttpMethod::Get;
    // The request header block, one "Name: value" line per entry, sent in this order, duplicates
    // included. A line whose value is empty is not sent; a line holding CR, LF or a zero byte makes the
    // request fail as BadHeader. libcurl adds only Host and Content-Length of its own.
    std::vector<std::string> headerLines;
    // Lines meant for the proxy only (Proxy-Authorization); ignored without a proxy.
    std::vector<std::string> proxyHeaderLines;
    Bytes body;  // sent for every verb but HEAD when not empty
    bool followRedirects = true;
    Text proxy;  // host:port; empty: direct (the proxy environment variables are ignored)
    Text proxyUser, proxyPassword;
    Text serverUser, serverPassword;
    long connectTimeoutMs = 30000;
    long stallTimeoutMs = 30000;  // no byte moving for this long ends the transfer
    bool http10 = false;
    // A body beyond this many bytes is abandoned; 0 or less: no limit.
    long long maxBodyBytes = NetworkLimits().maxBodyBytes;
    // Requests per second to the address's host (net/RateLimit.h); 0 or less: no limit.
    double requestsPerSecond = NetworkLimits().requestsPerSecond;
};

// How far an exchange got.
enum class FetchOutcome {
    Complete,       // the whole response arrived (whatever its status)
    BadAddress,     // not an absolute http or https address with a host
    BadHeader,      // a request header line that cannot be sent as one line
    ConnectFailed,  // resolving, connecting, the TLS handshake or sending the request failed
    NoResponse,     // the request went out but no complete response header came back
    BodyCutOff,     // the header arrived, the body stopped early (what came is in body)
    TooLarge,       // the body went, or was announced to go, beyond maxBodyBytes
    Stopped,        // the calling worker was told to stop
};

// What the transport said about an exchange that did not complete, beyond how far it got: what a user
// is told when an image could not be fetched.
enum class TransferFault {
    None,
    TimedOut,      // connecting took too long, or nothing moved for stallTimeoutMs
    Refused,       // the server's host turned the connection away
    Unreachable,   // no route, or the connection failed otherwise
    HostNotFound,  // the name did not resolve
    Tls,           // the TLS handshake or the certificate check failed
    Other,
};

struct FetchResult {
    FetchOutcome outcome = FetchOutcome::NoResponse;
    TransferFault fault = TransferFault::None;
    // For a Stopped exchange, the failure the stop cut it short as: ConnectFailed (nothing was answered
    // yet on the request), NoResponse (waiting for the header) or BodyCutOff (while the body arrived).
    FetchOutcome stoppedDuring = FetchOutcome::ConnectFailed;
    int status = 0;  // HTTP status of the final response; 0 when none came
    // Raw header block of the final response: status line and header lines, each ended by CRLF, and the
    // closing empty line. Earlier responses of a redirect chain (and 1xx answers) are not part of it.
    std::string headerBlock;
    Bytes body;  // empty for TooLarge and Stopped

    // The whole answer arrived and its status is below 400.
    bool Succeeded() const { return outcome == FetchOutcome::Complete && status < 400; }
};

FetchResult PerformFetch(const FetchRequest& request);

// Why an exchange gave nothing usable, in a few words ("HTTP 404", "timed out", "connection refused",
// "body too large"); empty when it succeeded.
Text FetchFailureText(const FetchResult& result);

}  // namespace dorvane

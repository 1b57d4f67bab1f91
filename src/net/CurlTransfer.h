#pragma once
// The libcurl plumbing shared by the fetch paths. Each thread keeps one easy handle, so successive requests
// to the same host reuse an open connection and its TLS session; no request state is kept between calls.
//
// The caller decides every request header line; libcurl adds only Host and Content-Length of its own.
// Time-outs are per phase (connecting, and a stall limit while sending or receiving), never on the whole
// transfer, so a large body on a slow but steady line still arrives. The calling worker's stop flag is read
// from the progress callback and aborts the transfer.
#include <string>
#include <vector>

#include "core/Text.h"

namespace dorvane {

// How far a transfer got. The fetch paths map these onto their own failure reports.
enum class TransferOutcome {
    Complete,       // the whole response arrived
    BadUrl,         // not an absolute http or https address libcurl can parse
    BadHeader,      // a request header line that cannot be sent as one line
    ConnectFailed,  // name resolution, connecting, the TLS handshake or sending the request failed
    NoResponse,     // the request went out but no complete response header came back
    BodyFailed,     // the header arrived, the body stopped early (what came is in body)
};

struct TransferRequest {
    std::string url;
    std::string verb = "GET";
    // Request header lines ("Name: value"), sent in this order, duplicates included. A line whose value
    // is empty is not sent.
    std::vector<std::string> headerLines;
    // Lines meant for the proxy only (Proxy-Authorization); ignored without a proxy.
    std::vector<std::string> proxyHeaderLines;
    const Bytes* body = nullptr;  // sent for every verb when not empty
    bool followRedirects = true;
    bool http10 = false;
    std::string proxy;  // host:port
    std::string serverUser, serverPassword;
    std::string proxyUser, proxyPassword;
    long connectTimeoutMs = 30000;
    long stallTimeoutMs = 30000;  // no byte moving for this long ends the transfer
};

struct TransferResult {
    TransferOutcome outcome = TransferOutcome::NoResponse;
    bool aborted = false;  // the calling worker was told to stop
    // Raw header block of the final response: status line and header lines, each ended by CRLF, and the
    // closing empty line. Earlier responses of a redirect chain (and 1xx answers) are not part of it.
    std::string headerBlock;
    long status = 0;
    Bytes body;
};

// True when the address is an absolute http or https address with a host.
bool CheckHttpUrl(const std::string& url);
// The address as it goes on the wire: GBK text turned into UTF-8, and blanks, control bytes and non-ASCII
// bytes after the host percent-encoded. Plain ASCII addresses come back unchanged.
std::string WireUrl(const std::string& url);

TransferResult PerformTransfer(const TransferRequest& request);

// Closes the connections the calling thread keeps open for reuse (they also close when the thread ends).
void CloseThreadConnections();

// The status line of a raw header block from its tenth character up to the first CRLF after it
// ("HTTP/1.1 200 OK" gives "200 OK").
Text StatusTextOf(const std::string& headerBlock);

}  // namespace dorvane

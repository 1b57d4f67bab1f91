#pragma once
// The libcurl plumbing under PerformFetch (net/Fetch.h). Each thread keeps one easy handle, so successive
// requests to the same host reuse an open connection and its TLS session; no request state is kept
// between calls.
//
// Time-outs are per phase (connecting, and a stall limit while sending or receiving), never on the whole
// transfer, so a large body on a slow but steady line still arrives. The calling worker's stop flag is read
// between short slices of the transfer and from the progress callback, and aborts the transfer. After a transfer that did not complete, the thread's
// connections are closed: nothing of a stopped, failed or abandoned exchange is reused.
#include <string>

#include "core/Text.h"

namespace dorvane {

// True when the address is an absolute http or https address with a host.
bool CheckHttpUrl(const std::string& url);
// The address as it goes on the wire: GBK text turned into UTF-8, and blanks, control bytes and non-ASCII
// bytes after the host percent-encoded. Plain ASCII addresses come back unchanged.
std::string WireUrl(const std::string& url);

// Closes the connections the calling thread keeps open for reuse (they also close when the thread ends).
void CloseThreadConnections();

// The status line of a raw header block from its tenth character up to the first CRLF after it
// ("HTTP/1.1 200 OK" gives "200 OK").
Text StatusTextOf(const std::string& headerBlock);

}  // namespace dorvane

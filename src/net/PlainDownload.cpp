#include "net/PlainDownload.h"

#include <utility>

#include "core/Worker.h"
#include "net/FetchRequests.h"

namespace dorvane {

FetchRequest PlainDownloadRequest(const Text& url) {
    FetchRequest request;
    request.url = url;
    request.http10 = true;
    request.headerLines = {"Accept: */*"};
    request.connectTimeoutMs = 30000;
    request.stallTimeoutMs = 60000;
    return request;
}

Bytes PlainDownload(const Text& url, Out<int> status) {
    *status = 0;
    // A paused worker waits here and a stopped one unwinds before anything goes on the wire.
    WorkerCheckPoint();
    FetchResult result = PerformFetch(PlainDownloadRequest(url));
    // Whatever the server sent on a completed exchange is the answer, error pages included; a transfer
    // that failed, stopped or went beyond the body limit gives nothing.
    if (result.outcome != FetchOutcome::Complete) return {};
    *status = result.status;
    return std::move(result.body);
}

}  // namespace dorvane

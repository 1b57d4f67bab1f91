#include "net/PlainDownload.h"

#include "core/Worker.h"
#include "net/CurlTransfer.h"

namespace dorvane {

Bytes PlainDownload(const Text& url) {
    // A paused worker waits here and a stopped one unwinds before anything goes on the wire.
    WorkerCheckPoint();
    TransferRequest request;
    request.url = url;
    request.http10 = true;
    request.headerLines = {"Accept: */*"};
    request.connectTimeoutMs = 30000;
    request.stallTimeoutMs = 60000;
    TransferResult result = PerformTransfer(request);
    // Whatever the server sent on a completed exchange is the answer, error pages included; a transfer
    // that failed or stopped half way gives nothing.
    return result.outcome == TransferOutcome::Complete ? std::move(result.body) : Bytes();
}

}  // namespace dorvane

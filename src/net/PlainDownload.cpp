#include "net/PlainDownload.h"

#include "core/Worker.h"
#include "net/CurlTransfer.h"

namespace dorvane {

Bytes PlainDownload(const Text& url, Out<int> status) {
    *status = 0;
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
    if (result.outcome != TransferOutcome::Complete) return {};
    *status = static_cast<int>(result.status);
    return std::move(result.body);
}

}  // namespace dorvane

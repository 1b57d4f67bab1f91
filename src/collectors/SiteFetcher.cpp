#include "collectors/SiteFetcher.h"

#include <utility>

#include "core/ByteOps.h"
#include "core/Worker.h"
#include "net/Retry.h"
#include "text/Wide.h"

namespace dorvane {

Bytes SiteFetcher::Image(const Text& url, const Text& headers) const {
    FetchResult result = FetchImageBytes(url, headers);
    // A transfer aborted by a stop comes back empty; it must not be taken for a failed download.
    WorkerCheckPoint();
    return std::move(result.body);
}

Text SiteFetcher::Page(const Text& url, const Text& headers) const {
    Text page = FetchPageText(url, headers);
    WorkerCheckPoint();
    return page;
}

Text SiteFetcher::Utf8Page(const Text& url) const {
    FetchResult result = FetchImageBytes(url, {});
    WorkerCheckPoint();
    return Utf8ToGbk(BytesToText(result.body));
}

}  // namespace dorvane

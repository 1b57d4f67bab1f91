#include "collectors/SiteFetch.h"

#include <utility>

#include "core/ByteOps.h"
#include "core/Worker.h"
#include "net/Retry.h"
#include "text/Wide.h"

namespace dorvane {

Bytes FetchImage(const Text& url, const Text& headers) {
    FetchResult result = FetchImageBytes(url, headers);
    WorkerCheckPoint();
    return std::move(result.body);
}

Text FetchPage(const Text& url, const Text& headers) {
    Text page = FetchPageText(url, headers);
    WorkerCheckPoint();
    return page;
}

Text FetchUtf8Page(const Text& url) {
    FetchResult result = FetchImageBytes(url, {});
    WorkerCheckPoint();
    return Utf8ToGbk(BytesToText(result.body));
}

}  // namespace dorvane

#include "collectors/SiteFetcher.h"

#include "core/ByteOps.h"
#include "core/Worker.h"
#include "net/Retry.h"
#include "text/Wide.h"

namespace dorvane {

Bytes SiteFetcher::Image(const Text& url, const Text& headers) const { return FetchImage(url, headers).bytes; }

ImageAnswer SiteFetcher::FetchImage(const Text& url, const Text& headers) const {
    return ReadImageAnswer(FetchImageBytes(url, headers, m_limits), m_limits);
}

Text SiteFetcher::Page(const Text& url, const Text& headers) const {
    Text page = FetchPageText(url, headers, m_limits);
    WorkerCheckPoint();
    return page;
}

Text SiteFetcher::Utf8Page(const Text& url) const {
    FetchResult result = FetchImageBytes(url, {}, m_limits);
    WorkerCheckPoint();
    return Utf8ToGbk(BytesToText(result.body));
}

}  // namespace dorvane

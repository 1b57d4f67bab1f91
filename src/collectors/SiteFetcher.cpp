#include "collectors/SiteFetcher.h"

#include <utility>

#include "core/ByteOps.h"
#include "core/Numbers.h"
#include "core/Worker.h"
#include "net/Retry.h"
#include "text/Wide.h"

namespace dorvane {

Bytes SiteFetcher::Image(const Text& url, const Text& headers) const { return FetchImage(url, headers).bytes; }

ImageAnswer SiteFetcher::FetchImage(const Text& url, const Text& headers) const {
    FetchResult result = FetchImageBytes(url, headers, m_limits);
    // A transfer aborted by a stop comes back empty; it must not be taken for a failed download.
    WorkerCheckPoint();
    ImageAnswer answer{std::move(result.body), FetchFailureText(result)};
    if (result.outcome == FetchOutcome::TooLarge)
        answer.failure += " (over " + IntegerText(m_limits.maxBodyBytes >> 20) + " MB)";
    if (answer.failure.empty() && answer.bytes.empty()) answer.failure = "empty answer";
    return answer;
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

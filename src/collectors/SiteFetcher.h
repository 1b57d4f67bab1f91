#pragma once
// The one way a site reaches the network. Each fetch is tried again while its failure may pass (a broken
// connection, 429, 5xx; as many times as its limits say) and is followed at once by the calling worker's
// check point: work whose fetch a stop cut short takes no further step.
#include "core/NetworkLimits.h"
#include "core/Text.h"
#include "net/ImageStep.h"

namespace dorvane {

class SiteFetcher {
public:
    // Every fetch keeps to these limits (retries, request rate, body size).
    explicit SiteFetcher(NetworkLimits limits = {}) : m_limits(limits) {}
    virtual ~SiteFetcher() = default;
    // A page as GBK text, decoded by its declared charset; empty when it could not be fetched.
    virtual Text Page(const Text& url, const Text& headers = {}) const;
    // A page the site serves in UTF-8 (whatever it declares) as GBK text.
    virtual Text Utf8Page(const Text& url) const;
    // Image bytes. An answer with an HTTP error status counts as a failed download and gives empty bytes
    // like a failed transfer: its body is a web page, not the image.
    virtual Bytes Image(const Text& url, const Text& headers) const;
    // The same fetch, saying why it gave no bytes.
    virtual ImageAnswer FetchImage(const Text& url, const Text& headers) const;

    const NetworkLimits& Limits() const { return m_limits; }

private:
    NetworkLimits m_limits;
};

}  // namespace dorvane

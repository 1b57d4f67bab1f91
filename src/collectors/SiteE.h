#pragma once
// Site E ("漫图", tab page 4): the image column of a news site, one album per article; listing pages
// used as HttpFetch returns them; no request carries a header of its own.
#include <memory>

#include "collectors/DirectSite.h"

namespace dorvane::sitee {

// What sets the site apart: its addresses, page markers and parsing.
const DirectSiteParts& Parts();

// The site as values.
std::unique_ptr<SiteDescription> Describe(HostSource host);

}  // namespace dorvane::sitee

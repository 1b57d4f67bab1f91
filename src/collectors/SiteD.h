#pragma once
// Site D ("二次元", tab page 3): a paged category listing in UTF-8; titles and album addresses are
// taken as matched; no request carries a header of its own.
#include <memory>

#include "collectors/DirectSite.h"

namespace dorvane::sited {

// What sets the site apart: its addresses, page markers and parsing.
const DirectSiteParts& Parts();

// The site as values.
std::unique_ptr<SiteDescription> Describe(HostSource host);

}  // namespace dorvane::sited

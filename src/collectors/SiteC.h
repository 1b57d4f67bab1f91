#pragma once
// Site C ("Cosplay", tab page 2): numbered photo-index pages served in UTF-8, titles written as
// hexadecimal character references, image links carrying a resizing suffix that the viewer keeps and
// the downloader cuts off.
#include <memory>

#include "collectors/DirectSite.h"

namespace dorvane::sitec {

// What sets the site apart: its addresses, page markers and parsing.
const DirectSiteParts& Parts();
// "&#x" becomes "%u", every ";" goes, then the percent-u escapes are decoded.
Text DecodeTitle(const Text& raw);

// The site as values; image requests name its home address as their Referer.
std::unique_ptr<SiteDescription> Describe(HostSource host);

}  // namespace dorvane::sitec

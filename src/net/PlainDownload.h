#pragma once
#include "core/Text.h"

namespace dorvane {

// HTTP/1.0 GET with the single header line "Accept: */*": the body, or empty bytes when the request fails.
Bytes PlainDownload(const Text& url);

}  // namespace dorvane

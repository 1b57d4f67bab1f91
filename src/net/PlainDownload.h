#pragma once
#include "core/Out.h"
#include "core/Text.h"

namespace dorvane {

// HTTP/1.0 GET with the single header line "Accept: */*": the body, or empty bytes when the request fails
// (a body beyond the default limit of NetworkLimits included).
// status receives the answer's HTTP status (0 when there was no complete answer).
Bytes PlainDownload(const Text& url, Out<int> status = {});

}  // namespace dorvane

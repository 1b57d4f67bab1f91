#pragma once
// The text HttpFetch makes of a page's bytes: a page that names a charset in a meta tag within its first
// 1024 bytes (before any zero byte) is converted from it to GBK, unless it names gbk or gb2312 (kept as
// they are) or a charset iconv does not know (kept undecoded). The text ends at its first zero byte.
//
// responseHeaders is the answer's raw header block. The page's own declaration decides on its own: the
// Content-Type line of the header is not consulted, so pages whose header and meta tag disagree read as
// they always have.
//
// Total on any input: no bytes make it fail, crash or run on without end.
#include "core/Text.h"

namespace dorvane {

Text DecodePageBody(const Bytes& body, const Text& responseHeaders);

// The same, taking the body over: a page that needs no conversion becomes the text without a copy.
Text DecodeOwnedPageBody(Bytes&& body, const Text& responseHeaders);

}  // namespace dorvane

#include "collectors/ImageFetch.h"

#include "net/HttpFetch.h"
#include "net/HttpObjectFetch.h"

namespace dorvane {

Bytes FetchImage(const Text& url, const Text& headers) {
    int status = 0;
    Bytes bytes = HttpObjectFetch(url, Get, {}, std::nullopt, {}, Out<Text>(headers), {}, status);
    if (status >= 400) return {};
    return bytes;
}

}  // namespace dorvane

// Charset detection and decoding of fetched pages. Input: the raw response header block, 0x01, the body.
// Both entry points give the same text, and it never holds a zero byte.
#include "FuzzInput.h"
#include "net/PageDecoding.h"

using namespace dorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> parts = fuzz::SplitParts(data, size, 2);
    const Text& headers = parts[0];
    Bytes body = std::move(parts[1]);
    const Text text = DecodePageBody(body, headers);
    FUZZ_CHECK(text.find('\0') == Text::npos);
    FUZZ_CHECK(DecodeOwnedPageBody(std::move(body), headers) == text);
    return 0;
}

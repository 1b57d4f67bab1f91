// The script-style unescape (%uXXXX, \uXXXX, %XX) and UTF-16LE to GBK, over whatever a page carries.
#include "FuzzInput.h"
#include "net/Codecs.h"

using namespace dorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text input = fuzz::InputText(data, size);
    // Every escape is at least as long as the two GBK bytes it can become.
    FUZZ_CHECK(UnescapeText(input).size() <= 2 * input.size());
    DecodeBytes(input);
    return 0;
}

// Request header blocks, response header blocks and cookie texts: whatever a server or the user hands in.
// Input: up to three parts (a block or cookie text, a name or second cookie text, a separator).
#include "FuzzInput.h"
#include "net/Headers.h"

using namespace dorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = fuzz::SplitParts(data, size, 3);
    const Text& first = parts[0];
    const Text& second = parts[1];

    const Text block = BuildHeaderBlock(first);
    FUZZ_CHECK(block.size() <= first.size() + 2 * (first.size() + 1));
    FUZZ_CHECK(GetHeaderValue(first, second).size() <= first.size());
    GetHeaderValue(block, second);

    const Text merged = MergeCookies(first, second);
    FUZZ_CHECK(merged.size() <= 2 * (first.size() + second.size()) + 2);
    ExtractSetCookies(first, second);
    ExtractSetCookies(second);
    if (!parts[2].empty()) RemoveRepeats(first, parts[2]);
    RemoveRepeats(first, "; ");
    return 0;
}

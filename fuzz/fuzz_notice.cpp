// The published notice page: its items, the version comparison against a tag and the notice text.
// Input: the page, optionally followed by 0x01 and the own version tag.
#include "FuzzInput.h"
#include "notice/VersionCheck.h"

using namespace dorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = fuzz::SplitParts(data, size, 2);
    const Text& page = parts[0];
    const TextList items = notice::NoticeItems(page);
    size_t total = 0;
    for (const Text& item : items) total += item.size();
    FUZZ_CHECK(total <= page.size());
    notice::IsNewer(items, parts[1].empty() ? Text("V5.2.200608") : parts[1]);
    notice::IsNewer(items, page);
    notice::NoticeText(items);
    notice::EscapeMarker(page);
    return 0;
}

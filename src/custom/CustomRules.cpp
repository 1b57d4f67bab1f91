#include "custom/CustomRules.h"

#include "core/Numbers.h"
#include "text/Directory.h"
#include "text/Markers.h"

namespace dorvane::custom {

Extraction Extract(const Text& source, const Rules& rules) {
    Extraction found;
    TextBetweenAll(source, rules.titleStart, rules.titleEnd, found.titles);
    TextBetweenAll(source, rules.contentStart, rules.contentEnd, found.items);
    return found;
}

Text TaskName(const TextList& titles, size_t itemCount) {
    static const Text unnamed = Gbk("未命名");
    const Text title = titles.size() == 1 ? titles.front() : unnamed;
    return SafeName(title + "[" + IntegerText(static_cast<long long>(itemCount)) + "P]");
}

Text ExtractionOutput(const TextList& items) {
    size_t size = 0;
    for (const Text& item : items) size += item.size() + 2;
    Text output;
    output.reserve(size);
    for (const Text& item : items) output.append(item).append("\r\n");
    return output;
}

}  // namespace dorvane::custom

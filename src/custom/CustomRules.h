#pragma once
// Cutting the wanted pieces of any page out by plain start and end markers, and naming the task that
// downloads them.
#include "core/Text.h"

namespace dorvane::custom {

// Start and end markers of the title and of the content, compared byte for byte, letter case respected.
struct Rules {
    Text titleStart;
    Text titleEnd;
    Text contentStart;
    Text contentEnd;
};

struct Extraction {
    TextList titles;
    TextList items;
};

// Every piece between a start marker and the next end marker after it, in source order; each search for
// the next start marker begins just after the previous one. An empty start marker finds nothing.
Extraction Extract(const Text& source, const Rules& rules);

// title + "[" + count + "P]" for exactly one title, otherwise "未命名[" + count + "P]"; made safe as one
// folder name, since a title taken from a page may hold a path separator.
Text TaskName(const TextList& titles, size_t itemCount);

// Every item followed by CR LF, as the extraction output lists them.
Text ExtractionOutput(const TextList& items);

}  // namespace dorvane::custom

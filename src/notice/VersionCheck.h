#pragma once
// The start-up check of the published notice page: its items stand between `">【` and `】</p><p`; the
// first ends in the published version, the last is the update address, those between are notice lines.
#include <optional>

#include "core/Text.h"

namespace dorvane::notice {

// "https://" + notice host + "/docs/" + document + "/read".
Text NoticeAddress(const Text& host, const Text& document);

// A marker as a pattern: "\" before every ?, *, +, [ and ], then before every (, ), { and }; "#引号"
// becomes a double quote and CR LF the two characters \n. Everything else keeps its pattern meaning.
Text EscapeMarker(const Text& marker);

// Every item between the markers, in page order (letter case ignored, across line breaks).
TextList NoticeItems(const Text& page);

// True when the version in the last six characters of the first item is newer than the own tag's.
bool IsNewer(const TextList& items, const Text& ownTag);

// "版本号：" + every item but the last, each followed by CR LF.
Text NoticeText(const TextList& items);

// What a newer version announces: the notice text and the update address.
struct Update {
    Text notice;
    Text address;
};

// Fetches the notice page: the update it announces when its version is newer than the own tag's.
std::optional<Update> NewerVersion(const Text& noticeAddress, const Text& ownTag);

}  // namespace dorvane::notice

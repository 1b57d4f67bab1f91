#pragma once
// Cutting text out between markers. Searches are GBK double-byte aware.
#include "core/Text.h"

namespace dorvane {

// Text between the first left marker (searched from start) and the next right marker; empty when either
// is missing. "#引号" in either marker stands for a double quote.
Text TextBetween(const Text& text, const Text& left, const Text& right, long long start = 1, bool ignoreCase = false);
// Text before the first marker (from start, below 1 counts as 1); empty when the marker is missing.
Text TextBefore(const Text& text, const Text& marker, long long start = 1, bool ignoreCase = false);
// Every piece between left and right markers, into items (emptied first); returns the item count.
// The next search for left starts right after the previous left marker. maxLength > 0 keeps only items
// shorter than maxLength bytes. An empty left marker yields no items.
int TextBetweenAll(const Text& text, const Text& left, const Text& right, TextList& items, bool ignoreCase = false,
                   long long maxLength = 0, const Text& prefix = {}, const Text& suffix = {}, bool keepLeft = false,
                   bool keepRight = false, long long start = 1);

}  // namespace dorvane

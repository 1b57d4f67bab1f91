#pragma once
// Request header blocks and cookie texts.
#include "core/Text.h"

namespace dorvane {

// Drops lines without ":" and capitalises the first letter of each "-"-separated part of every name.
Text BuildHeaderBlock(const Text& block);
// Value after the last "name: " in the first line that begins with name (case-sensitive); empty when none.
Text GetHeaderValue(const Text& block, const Text& name);
// New items first, then old items whose names are new; "=deleted" items and exact repeats left out.
Text MergeCookies(const Text& oldCookies, const Text& newCookies);
Text RemoveRepeats(const Text& text, const Text& separator);
// Cookie items of the "Set-Cookie" lines of a raw response header block, joined by "; ".
Text ExtractSetCookies(const Text& responseHeaders, const Text& initial = {});

}  // namespace dorvane

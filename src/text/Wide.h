#pragma once
// Code-page helpers between GBK text, UTF-8 and UTF-16.
#include "core/Text.h"

namespace dorvane {

constexpr int kCodePageGbk = 936;
constexpr int kCodePageUtf8 = 65001;

// UTF-8 bytes to GBK text; characters GBK cannot hold become "?".
Text Utf8ToGbk(const Text& utf8);
// Text in the given code page (default UTF-8; 0 means the system code page, GBK) to UTF-16LE code units
// including the terminating zero unit. Empty text gives an empty byte set.
Bytes TextToWide(const Text& text, int codePage = kCodePageUtf8);
// UTF-16LE code units to text in the given code page (0 = GBK), ending at the first zero unit.
Text WideToText(const Bytes& wide, int codePage = 0);

}  // namespace dorvane

#pragma once
#include "core/Text.h"

namespace dorvane {

// Standard base64 with "=" padding, no line breaks.
Text Base64Encode(const Bytes& data);
// Decodes %uXXXX, \uXXXX and %XX escapes (as the script engine's unescape), keeping CRLF and apostrophes.
// The decoded text ends at its first zero.
Text UnescapeText(const Text& text);
// UTF-16LE bytes to GBK text.
Text DecodeBytes(const Bytes& data);

}  // namespace dorvane

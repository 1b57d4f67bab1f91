#pragma once
// Code-page conversion through iconv. Characters the target cannot hold become "?"; invalid input bytes
// become "?" as well. Never fails: an unknown charset gives std::nullopt so callers can keep their input.
#include <optional>
#include <string>

namespace dorvane {

std::optional<std::string> ConvertCharset(const std::string& input, const char* fromCharset, const char* toCharset);
std::string GbkToUtf8(const std::string& gbk);
std::string Utf8ToGbkText(const std::string& utf8);

// Conversions at the system edges (paths, window texts, the clipboard). GB18030 is the superset of GBK
// that holds every character: a GBK text keeps its bytes, and a character GBK lacks ("ö", an emoji)
// becomes a four-byte sequence instead of "?", so nothing the user or the system gives is lost.
std::string SystemTextToUtf8(const std::string& text);
std::string Utf8ToSystemText(const std::string& utf8);

}  // namespace dorvane

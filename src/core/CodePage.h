#pragma once
// Code-page conversion through iconv. Characters the target cannot hold become "?"; invalid input bytes
// become "?" as well. Never fails: an unknown charset gives std::nullopt so callers can keep their input.
#include <optional>
#include <string>

namespace dorvane {

std::optional<std::string> ConvertCharset(const std::string& input, const char* fromCharset, const char* toCharset);
std::string GbkToUtf8(const std::string& gbk);
std::string Utf8ToGbkText(const std::string& utf8);

}  // namespace dorvane

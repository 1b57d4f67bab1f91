#pragma once
// Basic value types shared by every layer.
//
// Text holds GBK (code page 936) bytes. Lengths and positions count bytes, positions are 1-based and
// "not found" is -1. Bytes is a counted byte sequence that may hold zero bytes (response bodies, images).
#include <string>
#include <vector>

namespace dorvane {

using Text = std::string;
using Bytes = std::string;
using TextList = std::vector<Text>;

// Fixed texts are written in UTF-8 in the source; this turns one into GBK once (cached per call site
// through a function-local static at the caller, or used directly where speed does not matter).
Text Gbk(const char* utf8);

}  // namespace dorvane

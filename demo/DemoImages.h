#pragma once
// Real image files for the fixture sites, made in memory.
#include <cstddef>
#include <cstdint>
#include <string>

namespace dorvane::demo {

// A real baseline JPEG whose pixels follow from the seed, so different seeds give different bytes.
// With targetBytes above the natural size, comment segments pad the file up to about that size (still a
// valid JPEG that decoders read).
std::string MakeJpeg(uint32_t seed, size_t targetBytes = 0, int width = 32, int height = 24);
// A real 8-bit RGB PNG whose pixels follow from the seed.
std::string MakePng(uint32_t seed, int width = 16, int height = 16);

}  // namespace dorvane::demo

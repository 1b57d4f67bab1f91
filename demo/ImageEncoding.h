#pragma once
// Real JPEG and PNG files encoded in memory with libjpeg and libpng, for tests and the fixture sites.
#include <png.h>

#include <string>
#include <vector>

namespace dorvane::demo {

// A baseline (or progressive) JPEG at quality 90 of 8-bit samples, rows top to bottom, with 1 (grey) or
// 3 (RGB) components. Each comment (at most 65533 bytes) becomes a comment segment before the image data.
std::string EncodeJpeg(const std::vector<unsigned char>& pixels, int width, int height, int components,
                       bool progressive = false, const std::vector<std::string>& comments = {});

// A PNG of the given colour type and bit depth. rows holds height rows of samples laid out as libpng
// writes them (16-bit samples big-endian); an interlaced image writes the same rows in every pass.
std::string EncodePng(const std::vector<unsigned char>& rows, int width, int height, int colourType,
                      int bitDepth, bool interlaced = false, const std::vector<png_color>& palette = {});

}  // namespace dorvane::demo

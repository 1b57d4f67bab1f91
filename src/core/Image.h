#pragma once
// Picture decoding for the preview picture boxes. Only decoding to a displayable bitmap is needed: image
// files are stored exactly as fetched. Bad input never crashes; it gives an empty or partial bitmap.
#include <cstdint>
#include <vector>

#include "core/Text.h"

namespace dorvane {

// 8-bit RGBA, rows top to bottom, stride bytes per row.
struct Bitmap {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<uint8_t> pixels;

    bool Empty() const { return width <= 0 || height <= 0 || pixels.empty(); }
};

enum class ImageFormat { Unknown, Jpeg, Png };

// Limits that bound the memory one picture can take, whatever its header claims.
constexpr int kMaxImageSide = 16384;
constexpr long long kMaxImagePixels = 100LL * 1000 * 1000;

ImageFormat DetectImageFormat(const Bytes& bytes);
// JPEG or PNG bytes to RGBA. Truncated data keeps the rows decoded so far (the rest stays opaque grey);
// garbage, unknown formats, oversized pictures and pictures larger than their bytes could describe even
// when complete (a header claiming megapixels in a few hundred bytes) give an empty bitmap.
Bitmap DecodeImage(const Bytes& bytes);

}  // namespace dorvane

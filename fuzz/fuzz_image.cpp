// Picture decoding of fetched bytes: any bytes give a bitmap within the limits or an empty one.
#include "FuzzInput.h"
#include "core/Image.h"

using namespace dorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes bytes = fuzz::InputText(data, size);
    const ImageFormat format = DetectImageFormat(bytes);
    const Bitmap bitmap = DecodeImage(bytes);
    if (bitmap.Empty()) return 0;
    FUZZ_CHECK(format != ImageFormat::Unknown);
    FUZZ_CHECK(bitmap.width <= kMaxImageSide && bitmap.height <= kMaxImageSide);
    FUZZ_CHECK(static_cast<long long>(bitmap.width) * bitmap.height <= kMaxImagePixels);
    FUZZ_CHECK(bitmap.stride >= 4 * bitmap.width);
    FUZZ_CHECK(bitmap.pixels.size() >=
               static_cast<size_t>(bitmap.stride) * static_cast<size_t>(bitmap.height));
    return 0;
}

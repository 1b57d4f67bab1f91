#include "support/FixtureImages.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace dorvane::test {

namespace {

// Small deterministic generator: the same seed always yields the same picture.
uint32_t NextRandom(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

std::vector<unsigned char> Pixels(uint32_t seed, int width, int height) {
    uint32_t state = seed * 2654435761u + 0x9E3779B9u;
    if (state == 0) state = 1;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    for (auto& value : pixels) value = static_cast<unsigned char>(NextRandom(state));
    return pixels;
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

void PngFlush(png_structp) {}

}  // namespace

namespace {

std::string EncodeJpeg(uint32_t seed, const std::vector<unsigned char>& pixels, int width, int height,
                       size_t paddingBytes) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);

    // The seed in a comment makes even equal-looking pictures differ byte for byte.
    char label[32];
    const int labelLength = std::snprintf(label, sizeof label, "fixture %u", seed);
    jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(label),
                      static_cast<unsigned>(labelLength));
    // Each comment segment costs 4 bytes on top of its payload, at most 65533 bytes of payload.
    const std::string filler(65533, 'f');
    while (paddingBytes > 4) {
        const size_t payload = std::min(paddingBytes - 4, filler.size());
        jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(filler.data()),
                          static_cast<unsigned>(payload));
        paddingBytes -= payload + 4;
    }

    std::vector<JSAMPROW> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[static_cast<size_t>(y)] = const_cast<JSAMPROW>(&pixels[static_cast<size_t>(y) * width * 3]);
    }
    jpeg_write_scanlines(&info, rows.data(), static_cast<JDIMENSION>(height));
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string jpeg(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return jpeg;
}

}  // namespace

std::string MakeJpeg(uint32_t seed, size_t targetBytes, int width, int height) {
    const std::vector<unsigned char> pixels = Pixels(seed, width, height);
    std::string jpeg = EncodeJpeg(seed, pixels, width, height, 0);
    if (targetBytes > jpeg.size() + 4)
        jpeg = EncodeJpeg(seed, pixels, width, height, targetBytes - jpeg.size());
    return jpeg;
}

std::string MakePng(uint32_t seed, int width, int height) {
    const std::vector<unsigned char> pixels = Pixels(seed, width, height);
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(&pixels[static_cast<size_t>(y) * width * 3]));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace dorvane::test

#include "core/Image.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace dorvane {

namespace {

// The most pixels one byte of a file can stand for, so that a few header bytes cannot make the decoder
// fill a bitmap of many megapixels. JPEG (Huffman coding) spends at least one bit on every 8 x 8 block of
// its first component; deflate expands at most 1032:1, and a 1-bit PNG row holds 8 pixels a byte.
constexpr long long kJpegPixelsPerByte = 8 * 64;
constexpr long long kPngPixelsPerByte = 8 * 1032;

bool SizeAcceptable(long long width, long long height, size_t bytes, long long pixelsPerByte) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels &&
           width * height <= static_cast<long long>(bytes) * pixelsPerByte;
}

Bitmap Allocate(int width, int height) {
    static constexpr uint8_t kGrey[4] = {0x80, 0x80, 0x80, 0xFF};
    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.stride = width * 4;
    // Rows the decoder never reaches (truncated data) stay a neutral opaque grey. One pixel, then copies
    // of what is filled so far: a few header bytes may claim a picture of many megapixels, and the fill
    // must not cost more than the decoding.
    const size_t size = static_cast<size_t>(bitmap.stride) * static_cast<size_t>(height);
    bitmap.pixels.resize(size);
    uint8_t* pixels = bitmap.pixels.data();
    std::memcpy(pixels, kGrey, sizeof kGrey);
    for (size_t filled = sizeof kGrey; filled < size; filled *= 2)
        std::memcpy(pixels + filled, pixels, std::min(filled, size - filled));
    return bitmap;
}

// ---- JPEG ----

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    std::longjmp(error->jump, 1);
}

void JpegQuiet(j_common_ptr, int) {}
void JpegNoOutput(j_common_ptr) {}

// The decoding state lives outside the function that calls setjmp so that nothing the longjmp skips over
// needs a destructor or holds a value changed after setjmp.
struct JpegJob {
    jpeg_decompress_struct info{};
    JpegError error{};
    Bitmap bitmap;
    std::vector<uint8_t> row;
    int rowsDone = 0;
    bool started = false;
};

// Adobe writes CMYK inverted; libjpeg hands it through as stored.
void CmykToRgba(const uint8_t* in, uint8_t* out, int width) {
    for (int x = 0; x < width; ++x, in += 4, out += 4) {
        out[0] = static_cast<uint8_t>(in[0] * in[3] / 255);
        out[1] = static_cast<uint8_t>(in[1] * in[3] / 255);
        out[2] = static_cast<uint8_t>(in[2] * in[3] / 255);
        out[3] = 0xFF;
    }
}

bool JpegRun(JpegJob& job, const Bytes& bytes) {
    if (setjmp(job.error.jump)) return job.started;
    jpeg_create_decompress(&job.info);
    jpeg_mem_src(&job.info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&job.info, TRUE) != JPEG_HEADER_OK) return false;
    if (!SizeAcceptable(job.info.image_width, job.info.image_height, bytes.size(), kJpegPixelsPerByte))
        return false;
    // Everything but CMYK comes out of libjpeg as RGBA rows, written straight into the bitmap.
    const bool cmyk = job.info.jpeg_color_space == JCS_CMYK || job.info.jpeg_color_space == JCS_YCCK;
    job.info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&job.info);
    const int width = static_cast<int>(job.info.output_width);
    const int height = static_cast<int>(job.info.output_height);
    if (!SizeAcceptable(width, height, bytes.size(), kJpegPixelsPerByte) || job.info.output_components != 4)
        return false;
    job.bitmap = Allocate(width, height);
    if (cmyk) job.row.resize(static_cast<size_t>(width) * 4);
    job.started = true;
    while (job.info.output_scanline < job.info.output_height) {
        uint8_t* out = job.bitmap.pixels.data() + static_cast<size_t>(job.rowsDone) * job.bitmap.stride;
        JSAMPROW rowPointer = cmyk ? job.row.data() : out;
        if (jpeg_read_scanlines(&job.info, &rowPointer, 1) != 1) break;
        if (cmyk) CmykToRgba(job.row.data(), out, width);
        ++job.rowsDone;
    }
    jpeg_finish_decompress(&job.info);
    return true;
}

Bitmap DecodeJpeg(const Bytes& bytes) {
    JpegJob job;
    job.info.err = jpeg_std_error(&job.error.manager);
    job.error.manager.error_exit = JpegFail;
    job.error.manager.emit_message = JpegQuiet;
    job.error.manager.output_message = JpegNoOutput;
    const bool ok = JpegRun(job, bytes);
    jpeg_destroy_decompress(&job.info);
    if (!ok) return {};
    return std::move(job.bitmap);
}

// ---- PNG ----

struct PngReader {
    const uint8_t* data;
    size_t size;
    size_t offset;
};

void PngRead(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->offset) png_error(png, "truncated");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

void PngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarn(png_structp, png_const_charp) {}

struct PngJob {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngReader reader{};
    Bitmap bitmap;
    bool started = false;
};

bool PngRun(PngJob& job) {
    if (setjmp(png_jmpbuf(job.png))) return job.started;
    png_set_read_fn(job.png, &job.reader, PngRead);
    png_set_user_limits(job.png, kMaxImageSide, kMaxImageSide);
    png_read_info(job.png, job.info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(job.png, job.info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    if (!SizeAcceptable(width, height, job.reader.size, kPngPixelsPerByte)) return false;
    // Everything becomes 8-bit RGBA.
    if (bitDepth == 16) png_set_strip_16(job.png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(job.png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(job.png);
    if (png_get_valid(job.png, job.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(job.png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(job.png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(job.png, job.info, PNG_INFO_tRNS))
        png_set_filler(job.png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(job.png);
    png_read_update_info(job.png, job.info);
    if (png_get_rowbytes(job.png, job.info) != static_cast<size_t>(width) * 4) return false;
    job.bitmap = Allocate(static_cast<int>(width), static_cast<int>(height));
    job.started = true;
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(job.png, job.bitmap.pixels.data() + static_cast<size_t>(y) * job.bitmap.stride,
                         nullptr);
        }
    }
    png_read_end(job.png, nullptr);
    return true;
}

Bitmap DecodePng(const Bytes& bytes) {
    PngJob job;
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngWarn);
    if (!job.png) return {};
    job.info = png_create_info_struct(job.png);
    if (!job.info) {
        png_destroy_read_struct(&job.png, nullptr, nullptr);
        return {};
    }
    job.reader = {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0};
    const bool ok = PngRun(job);
    png_destroy_read_struct(&job.png, &job.info, nullptr);
    if (!ok) return {};
    return std::move(job.bitmap);
}

}  // namespace

ImageFormat DetectImageFormat(const Bytes& bytes) {
    if (bytes.size() >= 3 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
        static_cast<uint8_t>(bytes[1]) == 0xD8 && static_cast<uint8_t>(bytes[2]) == 0xFF)
        return ImageFormat::Jpeg;
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::Png;
    return ImageFormat::Unknown;
}

Bitmap DecodeImage(const Bytes& bytes) {
    switch (DetectImageFormat(bytes)) {
        case ImageFormat::Jpeg:
            return DecodeJpeg(bytes);
        case ImageFormat::Png:
            return DecodePng(bytes);
        case ImageFormat::Unknown:
            break;
    }
    return {};
}

}  // namespace dorvane

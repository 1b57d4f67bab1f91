// Picture decoding: real JPEG and PNG files made here with libjpeg and libpng, then cut and spoilt.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "core/Image.h"
#include "demo/ImageEncoding.h"

namespace dorvane {
namespace {

// A gradient with a pure red top-left quarter, so colours can be checked after lossy coding.
std::vector<uint8_t> Pattern(int width, int height, int channels) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height * channels));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[static_cast<size_t>((y * width + x) * channels)];
            const bool red = x < width / 2 && y < height / 2;
            p[0] = red ? 255 : static_cast<uint8_t>(x * 255 / width);
            if (channels > 1) p[1] = red ? 0 : static_cast<uint8_t>(y * 255 / height);
            if (channels > 2) p[2] = red ? 0 : 128;
            if (channels > 3) p[3] = static_cast<uint8_t>(x % 256);
        }
    return pixels;
}

Bytes EncodeJpeg(int width, int height, bool progressive = false, bool grey = false) {
    const int components = grey ? 1 : 3;
    return demo::EncodeJpeg(Pattern(width, height, components), width, height, components, progressive);
}

// The pattern in the colour type and depth asked for: a palette image uses red for the top-left quarter
// and blue elsewhere; 16-bit samples repeat the 8-bit value in both bytes.
Bytes EncodePng(int width, int height, int colourType, int bitDepth, bool interlaced = false) {
    const int channels = colourType == PNG_COLOR_TYPE_RGBA ? 4 : colourType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    const int bytesPerSample = bitDepth == 16 ? 2 : 1;
    const std::vector<uint8_t> base = Pattern(width, height, channels);
    std::vector<uint8_t> rows;
    rows.reserve(static_cast<size_t>(width * height * channels * bytesPerSample));
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * channels; ++i) {
            uint8_t v = base[static_cast<size_t>(y * width * channels + i)];
            if (colourType == PNG_COLOR_TYPE_PALETTE) v = (i < width / 2 && y < height / 2) ? 0 : 1;
            for (int b = 0; b < bytesPerSample; ++b) rows.push_back(v);
        }
    std::vector<png_color> palette;
    if (colourType == PNG_COLOR_TYPE_PALETTE) palette = {{255, 0, 0}, {0, 0, 255}};
    return demo::EncodePng(rows, width, height, colourType, bitDepth, interlaced, palette);
}

const uint8_t* PixelAt(const Bitmap& b, int x, int y) {
    return &b.pixels[static_cast<size_t>(y) * b.stride + static_cast<size_t>(x) * 4];
}

TEST(ImageDecode, JpegGivesItsSizeAndColours) {
    struct Case {
        const char* name;
        bool progressive;
        bool grey;
    };
    for (const Case& c :
         {Case{"baseline", false, false}, Case{"progressive", true, false}, Case{"grey", false, true}}) {
        SCOPED_TRACE(c.name);
        const Bitmap bitmap = DecodeImage(EncodeJpeg(64, 40, c.progressive, c.grey));
        ASSERT_EQ(bitmap.width, 64);
        ASSERT_EQ(bitmap.height, 40);
        EXPECT_EQ(bitmap.stride, 64 * 4);
        ASSERT_EQ(bitmap.pixels.size(), 64u * 40u * 4u);
        const uint8_t* corner = PixelAt(bitmap, 4, 4);
        EXPECT_GT(corner[0], 230);
        if (!c.grey) {
            EXPECT_LT(corner[1], 30);
        }
        EXPECT_EQ(corner[3], 255);
    }
}

TEST(ImageDecode, PngKindsBecomeRgba) {
    struct Case {
        const char* name;
        int colourType;
        int bitDepth;
        bool interlaced;
        uint8_t red, green, blue, alpha;  // expected at (1, 1), inside the red quarter
    };
    const Case cases[] = {
        {"rgba8", PNG_COLOR_TYPE_RGBA, 8, false, 255, 0, 0, 1},
        {"rgb8", PNG_COLOR_TYPE_RGB, 8, false, 255, 0, 0, 255},
        {"rgb16", PNG_COLOR_TYPE_RGB, 16, false, 255, 0, 0, 255},
        {"grey8", PNG_COLOR_TYPE_GRAY, 8, false, 255, 255, 255, 255},
        {"palette", PNG_COLOR_TYPE_PALETTE, 8, false, 255, 0, 0, 255},
        {"interlaced", PNG_COLOR_TYPE_RGBA, 8, true, 255, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bitmap bitmap = DecodeImage(EncodePng(30, 20, c.colourType, c.bitDepth, c.interlaced));
        ASSERT_EQ(bitmap.width, 30);
        ASSERT_EQ(bitmap.height, 20);
        const uint8_t* p = PixelAt(bitmap, 1, 1);
        EXPECT_EQ(p[0], c.red);
        EXPECT_EQ(p[1], c.green);
        EXPECT_EQ(p[2], c.blue);
        EXPECT_EQ(p[3], c.alpha);
        // Outside the red quarter: the palette's blue, or the gradient.
        if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
            EXPECT_EQ(PixelAt(bitmap, 29, 19)[2], 255);
        }
    }
}

TEST(ImageDecode, BytesThatAreNoPictureGiveNothing) {
    const Bytes png = EncodePng(8, 8, PNG_COLOR_TYPE_RGB, 8);
    const Bytes jpeg = EncodeJpeg(8, 8);
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty", Bytes{}},
        {"text", Bytes("<html>not found</html>")},
        {"jpeg marker only", Bytes("\xFF\xD8\xFF", 3)},
        {"png signature only", png.substr(0, 8)},
        {"png header cut", png.substr(0, 20)},
        {"jpeg header cut", jpeg.substr(0, 30)},
        {"zero bytes", Bytes(1000, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(DecodeImage(c.bytes).Empty());
    }
}

TEST(ImageDecode, TruncatedPicturesKeepWhatArrived) {
    const Bytes jpeg = EncodeJpeg(64, 64);
    const Bitmap half = DecodeImage(jpeg.substr(0, jpeg.size() * 2 / 3));
    ASSERT_EQ(half.width, 64);
    ASSERT_EQ(half.height, 64);
    EXPECT_GT(PixelAt(half, 2, 2)[0], 230);  // the top rows arrived

    const Bytes png = EncodePng(64, 64, PNG_COLOR_TYPE_RGB, 8);
    const Bitmap cut = DecodeImage(png.substr(0, png.size() - 20));
    if (!cut.Empty()) {
        EXPECT_EQ(cut.width, 64);
        EXPECT_EQ(cut.height, 64);
    }
}

TEST(ImageDecode, EveryPrefixAndSpoiltByteIsSafe) {
    // Sanitizer builds turn any overrun here into a failure.
    for (const Bytes& picture : {EncodeJpeg(24, 16, true), EncodePng(24, 16, PNG_COLOR_TYPE_RGBA, 8, true)}) {
        for (size_t length = 0; length < picture.size(); length += 7) {
            const Bitmap bitmap = DecodeImage(picture.substr(0, length));
            if (!bitmap.Empty()) {
                EXPECT_EQ(bitmap.pixels.size(), static_cast<size_t>(bitmap.stride) * bitmap.height);
            }
        }
        std::mt19937 random(42);
        for (int round = 0; round < 200; ++round) {
            Bytes spoilt = picture;
            for (int i = 0; i < 4; ++i) spoilt[random() % spoilt.size()] = static_cast<char>(random() & 0xFF);
            const Bitmap bitmap = DecodeImage(spoilt);
            if (!bitmap.Empty()) {
                EXPECT_EQ(bitmap.pixels.size(), static_cast<size_t>(bitmap.stride) * bitmap.height);
            }
        }
    }
}

TEST(ImageDecode, OversizedHeadersAreRefusedBeforeAllocating) {
    // A valid 1x1 picture whose header is then rewritten to claim a huge size.
    Bytes png = EncodePng(1, 1, PNG_COLOR_TYPE_RGB, 8);
    // IHDR data starts at byte 16: width, height (big-endian); the CRC no longer matches either.
    png[16] = 0x00, png[17] = 0x01, png[18] = 0x00, png[19] = 0x00;  // 65536
    EXPECT_TRUE(DecodeImage(png).Empty());

    Bytes jpeg = EncodeJpeg(8, 8);
    // Find the SOF0 marker and claim 60000 x 60000.
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, Bytes::npos);
    jpeg[sof + 5] = static_cast<char>(0xEA), jpeg[sof + 6] = 0x60;
    jpeg[sof + 7] = static_cast<char>(0xEA), jpeg[sof + 8] = 0x60;
    EXPECT_TRUE(DecodeImage(jpeg).Empty());
}

// A valid picture whose header is rewritten to claim width x height; the PNG keeps a matching CRC, so only
// the claim itself can make the decoder refuse it.
Bytes ClaimSize(Bytes picture, uint32_t width, uint32_t height) {
    const auto put = [&picture](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            picture[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * (bytes - 1 - i)));
    };
    if (DetectImageFormat(picture) == ImageFormat::Png) {
        put(16, width, 4);
        put(20, height, 4);
        put(29, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(picture.data() + 12), 17)), 4);
    } else {
        const size_t sof = picture.find("\xFF\xC0");
        put(sof + 5, height, 2);
        put(sof + 7, width, 2);
    }
    return picture;
}

TEST(ImageDecode, AClaimItsBytesCannotDescribeIsRefused) {
    // Both claims of a case lie within the size limits.
    struct Case {
        const char* name;
        Bytes picture;
        double pixelsPerByte;
        uint32_t fitting;  // a square side its bytes can carry: decoded as a truncated picture
        uint32_t beyond;   // a square side they cannot
    };
    for (const Case& c : {Case{"jpeg", EncodeJpeg(8, 8), 512, 300, 4000},
                          Case{"png", EncodePng(1, 1, PNG_COLOR_TYPE_RGB, 8), 8256, 400, 4000}}) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(static_cast<double>(c.fitting) * c.fitting, c.picture.size() * c.pixelsPerByte);
        const Bitmap fitting = DecodeImage(ClaimSize(c.picture, c.fitting, c.fitting));
        ASSERT_EQ(fitting.width, static_cast<int>(c.fitting));
        ASSERT_EQ(fitting.height, static_cast<int>(c.fitting));
        EXPECT_EQ(PixelAt(fitting, c.fitting - 1, c.fitting - 1)[0], 0x80);  // never reached: grey
        EXPECT_TRUE(DecodeImage(ClaimSize(c.picture, c.beyond, c.beyond)).Empty());
    }
}

TEST(ImageDecode, FormatIsKnownByItsSignature) {
    EXPECT_EQ(DetectImageFormat(EncodeJpeg(4, 4)), ImageFormat::Jpeg);
    EXPECT_EQ(DetectImageFormat(EncodePng(4, 4, PNG_COLOR_TYPE_RGB, 8)), ImageFormat::Png);
    EXPECT_EQ(DetectImageFormat("GIF89a"), ImageFormat::Unknown);
    EXPECT_EQ(DetectImageFormat(""), ImageFormat::Unknown);
}

}  // namespace
}  // namespace dorvane

#include "demo/DemoImages.h"

#include "demo/ImageEncoding.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace dorvane::demo {

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

// The seed in a comment makes even equal-looking pictures differ byte for byte; filler comments pad the
// file by about paddingBytes (each comment segment costs 4 bytes on top of its payload). The filler
// segments go in right behind the seed's, as the encoder would write them, but without passing through
// it byte by byte: a large fixture image costs its server no more than a copy.
std::string SeededJpeg(uint32_t seed, const std::vector<unsigned char>& pixels, int width, int height,
                       size_t paddingBytes) {
    char label[32];
    const int labelLength = std::snprintf(label, sizeof label, "fixture %u", seed);
    const std::string labelText(label, static_cast<size_t>(labelLength));
    std::string jpeg = EncodeJpeg(pixels, width, height, 3, false, {labelText});
    std::string filler;
    while (paddingBytes > 4) {
        const size_t payload = std::min<size_t>(paddingBytes - 4, 65533);
        const size_t length = payload + 2;
        filler += "\xFF\xFE";
        filler += static_cast<char>(length >> 8);
        filler += static_cast<char>(length & 0xFF);
        filler.append(payload, 'f');
        paddingBytes -= payload + 4;
    }
    const size_t labelAt = jpeg.find(labelText);
    if (labelAt != std::string::npos) jpeg.insert(labelAt + labelText.size(), filler);
    return jpeg;
}

}  // namespace

std::string MakeJpeg(uint32_t seed, size_t targetBytes, int width, int height) {
    const std::vector<unsigned char> pixels = Pixels(seed, width, height);
    std::string jpeg = SeededJpeg(seed, pixels, width, height, 0);
    if (targetBytes > jpeg.size() + 4)
        jpeg = SeededJpeg(seed, pixels, width, height, targetBytes - jpeg.size());
    return jpeg;
}

std::string MakePng(uint32_t seed, int width, int height) {
    return EncodePng(Pixels(seed, width, height), width, height, PNG_COLOR_TYPE_RGB, 8);
}

}  // namespace dorvane::demo

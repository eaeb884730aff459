// Every embedded image decodes with libpng to what the game expects of it: pixel
// size, colour type, 8 bits, not interlaced, the transparency rules, no opaque black
// outside the backdrop (black is the colour key), and the figure's feet where the
// anchor is.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "embedded.h"

namespace {

uint32_t be32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

struct Decoded {
    int width = 0, height = 0, bitDepth = 0, colourType = -1, interlace = -1;
    int paletteSize = 0;
    std::vector<uint8_t> trns;  // tRNS alphas, empty when absent
    std::vector<uint8_t> rgba;  // width * height * 4, empty when libpng refused the file
    bool opaque(int x, int y) const { return rgba[(static_cast<size_t>(y) * width + x) * 4 + 3] == 255; }
};

// The header fields and palette chunks as stored, the pixels as libpng decodes them.
Decoded decode(int n) {
    const uint8_t* p = assets::imageData(n);
    uint32_t size = assets::imageLength(n);
    Decoded d;
    d.width = static_cast<int>(be32(p + 16));
    d.height = static_cast<int>(be32(p + 20));
    d.bitDepth = p[24];
    d.colourType = p[25];
    d.interlace = p[28];
    for (size_t at = 8; at + 12 <= size; at += 12 + be32(p + at)) {
        if (std::memcmp(p + at + 4, "PLTE", 4) == 0) d.paletteSize = static_cast<int>(be32(p + at) / 3);
        if (std::memcmp(p + at + 4, "tRNS", 4) == 0) d.trns.assign(p + at + 8, p + at + 8 + be32(p + at));
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, p, size)) return d;
    png.format = PNG_FORMAT_RGBA;
    d.rgba.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, d.rgba.data(), 0, nullptr)) d.rgba.clear();
    return d;
}

struct Expected {
    int width, height, colourType;
    bool keyed;  // palette with its last entry transparent
};
const Expected EXPECTED[15] = {
    {640, 480, 6, false}, {50, 50, 3, true},  {50, 50, 3, true},  {50, 50, 3, true},  {50, 50, 3, true},
    {12, 19, 3, true},    {12, 19, 3, true},  {12, 19, 3, true},  {12, 19, 3, true},  {19, 12, 6, false},
    {70, 100, 3, true},   {70, 100, 3, true}, {70, 100, 3, true}, {70, 100, 3, true}, {200, 200, 3, false},
};

TEST(AssetsImages, DecodeToTheirSizeFormatAndTransparency) {
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        Decoded d = decode(n);
        ASSERT_EQ(d.rgba.size(), static_cast<size_t>(d.width) * d.height * 4) << "libpng refused it";
        EXPECT_EQ(d.width, EXPECTED[n].width);
        EXPECT_EQ(d.height, EXPECTED[n].height);
        EXPECT_EQ(d.colourType, EXPECTED[n].colourType);
        EXPECT_EQ(d.bitDepth, 8);
        EXPECT_EQ(d.interlace, 0);
        // Keyed: only the last palette entry is transparent, and it is used. The plate's
        // alpha is all or nothing; the backdrop and the title are fully opaque.
        std::vector<int> alphaCount(256);
        for (size_t i = 3; i < d.rgba.size(); i += 4) ++alphaCount[d.rgba[i]];
        int partial = static_cast<int>(d.rgba.size() / 4) - alphaCount[0] - alphaCount[255];
        EXPECT_EQ(partial, 0);
        if (EXPECTED[n].keyed) {
            ASSERT_EQ(static_cast<int>(d.trns.size()), d.paletteSize);
            for (int i = 0; i + 1 < d.paletteSize; ++i) EXPECT_EQ(d.trns[i], 255) << "entry " << i;
            EXPECT_EQ(d.trns.back(), 0);
        } else {
            EXPECT_TRUE(d.trns.empty());
        }
        EXPECT_EQ(alphaCount[0] > 0, EXPECTED[n].keyed || n == 9) << "transparent pixels";
        EXPECT_GT(alphaCount[255], 0);
    }
}

// Black is the colour key: anything opaque black vanishes at run time. The backdrop
// has black sky and borders (keyed out) and a coloured desert below.
TEST(AssetsImages, OnlyTheBackdropHoldsOpaqueBlack) {
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        Decoded d = decode(n);
        size_t black = 0;
        auto isBlack = [&](size_t i) {
            return (d.rgba[i] | d.rgba[i + 1] | d.rgba[i + 2]) == 0 && d.rgba[i + 3] == 255;
        };
        for (size_t i = 0; i < d.rgba.size(); i += 4) black += isBlack(i);
        if (n > 0) {
            EXPECT_EQ(black, 0u) << "image " << n;
            continue;
        }
        EXPECT_GT(black, 640u * 480 / 4);
        EXPECT_LT(black, 640u * 480 * 3 / 4);
        for (size_t pixel : {0u, 639u, 479u * 640, 479u * 640 + 639, 10u * 640 + 320}) EXPECT_TRUE(isBlack(4 * pixel));
    }
}

// The figure is drawn with texel (0.5, 120.5) of its 128 x 128 texture on its anchor:
// in the 70 x 100 image that is the bottom left, about row 94. Its feet must be there,
// and it is tall: something opaque in the top fifth.
TEST(AssetsImages, FigureFramesStandOnTheAnchor) {
    for (int n = 10; n <= 13; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        Decoded d = decode(n);
        int lowest = -1, leftmost = d.width, highest = d.height;
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x)
                if (d.opaque(x, y)) {
                    lowest = y;
                    highest = std::min(highest, y);
                    if (y >= 85) leftmost = std::min(leftmost, x);
                }
        EXPECT_GE(lowest, 92);
        EXPECT_LE(lowest, 97);
        EXPECT_LE(leftmost, 4);
        EXPECT_LT(highest, 20);
    }
}

}  // namespace

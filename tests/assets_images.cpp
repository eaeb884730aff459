// Every embedded image decodes with libpng to what the game expects of it: pixel
// size, colour type, 8 bits, not interlaced, the transparency rules, and no opaque
// black outside the backdrop (black is the colour key).
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "embedded.h"

namespace {

uint32_t be32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// The header fields and palette chunks as stored, the pixels as libpng decodes them.
// Keyed: only the last palette entry is transparent, and it is used. The plate's alpha
// is all or nothing; the backdrop and the title are fully opaque. Anything opaque black
// vanishes at run time, except on the backdrop, whose black sky and borders are meant
// to (a coloured desert below).
TEST(AssetsImages, DecodeToTheirSizeFormatTransparencyAndNoKeyBlack) {
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        const uint8_t* p = assets::imageData(n);
        const assets::CatalogueImage& e = assets::IMAGES[n];
        const bool keyed = e.transparency == assets::Transparency::PALETTE_ENTRY;
        EXPECT_EQ(
            std::make_tuple(be32(p + 16), be32(p + 20), p[24], p[25], p[28]),
            std::make_tuple(uint32_t(e.width), uint32_t(e.height), uint8_t(8), uint8_t(e.colourType), uint8_t(0)));
        uint32_t paletteSize = 0;
        std::vector<uint8_t> trns;
        for (size_t at = 8; at + 12 <= assets::imageLength(n); at += 12 + be32(p + at)) {
            if (std::memcmp(p + at + 4, "PLTE", 4) == 0) paletteSize = be32(p + at) / 3;
            if (std::memcmp(p + at + 4, "tRNS", 4) == 0) trns.assign(p + at + 8, p + at + 8 + be32(p + at));
        }
        std::vector<uint8_t> keyedTrns(paletteSize, 255);
        if (keyed) keyedTrns.back() = 0;
        EXPECT_EQ(trns, keyed ? keyedTrns : std::vector<uint8_t>());

        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&png, p, assets::imageLength(n)));
        png.format = PNG_FORMAT_RGBA;
        std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(png));
        ASSERT_TRUE(png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) << "libpng refused it";
        size_t alphaCount[256] = {}, black = 0;
        for (size_t i = 0; i < rgba.size(); i += 4) {
            ++alphaCount[rgba[i + 3]];
            black += (rgba[i] | rgba[i + 1] | rgba[i + 2]) == 0 && rgba[i + 3] == 255;
        }
        EXPECT_TRUE(alphaCount[0] + alphaCount[255] == rgba.size() / 4 && alphaCount[255] > 0)
            << "alpha not all or nothing";
        EXPECT_EQ(alphaCount[0] > 0, keyed || e.transparency == assets::Transparency::ALPHA) << "transparent pixels";
        if (e.transparency == assets::Transparency::COLOUR_KEY) {
            EXPECT_TRUE(black > 640u * 480 / 4 && black < 640u * 480 * 3 / 4 && rgba[3] == 255 &&
                        (rgba[0] | rgba[1] | rgba[2]) == 0)
                << black;
        } else {
            EXPECT_EQ(black, 0u) << "opaque black, the colour key";
        }
    }
}

}  // namespace

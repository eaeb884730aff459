// Every embedded image decodes with libpng to what the game expects of it: pixel
// size, colour type, 8 bits, not interlaced, the transparency rules, no opaque black
// outside the backdrop (black is the colour key), and the figure's feet where the
// anchor is.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "embedded.h"

namespace {

struct Decoded {
    int width = 0, height = 0, colourType = -1, bitDepth = 0, interlace = -1;
    int paletteSize = 0;
    std::vector<uint8_t> trns;  // tRNS alphas, empty when absent
    std::vector<uint8_t> rgba;  // width * height * 4
    bool opaque(int x, int y) const { return rgba[(static_cast<size_t>(y) * width + x) * 4 + 3] == 255; }
};

struct Reader {
    const uint8_t* data;
    size_t size, at;
};

void readBytes(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (r->at + n > r->size) png_error(png, "read past the end");
    std::memcpy(out, r->data + r->at, n);
    r->at += n;
}

[[noreturn]] void failed(png_structp, png_const_charp msg) { throw std::runtime_error(msg); }
void warned(png_structp, png_const_charp) {}

Decoded decode(int n) {
    Reader r{assets::imageData(n), assets::imageLength(n), 0};
    Decoded d;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failed, warned);
    png_infop info = png_create_info_struct(png);
    try {
        png_set_read_fn(png, &r, readBytes);
        png_read_info(png, info);
        d.width = static_cast<int>(png_get_image_width(png, info));
        d.height = static_cast<int>(png_get_image_height(png, info));
        d.colourType = png_get_color_type(png, info);
        d.bitDepth = png_get_bit_depth(png, info);
        d.interlace = png_get_interlace_type(png, info);
        png_colorp palette = nullptr;
        if (png_get_PLTE(png, info, &palette, &d.paletteSize) == 0) d.paletteSize = 0;
        png_bytep alphas = nullptr;
        int alphaCount = 0;
        if (png_get_tRNS(png, info, &alphas, &alphaCount, nullptr) && alphas)
            d.trns.assign(alphas, alphas + alphaCount);
        // Decode to RGBA the way the game's texture decode sees it.
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        d.rgba.resize(static_cast<size_t>(d.width) * d.height * 4);
        std::vector<png_bytep> rows(d.height);
        for (int y = 0; y < d.height; ++y) rows[y] = d.rgba.data() + static_cast<size_t>(y) * d.width * 4;
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
    } catch (...) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw;
    }
    png_destroy_read_struct(&png, &info, nullptr);
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

TEST(AssetsImages, DecodeToTheirSizeAndFormat) {
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        Decoded d;
        ASSERT_NO_THROW(d = decode(n));
        EXPECT_EQ(d.width, EXPECTED[n].width);
        EXPECT_EQ(d.height, EXPECTED[n].height);
        EXPECT_EQ(d.colourType, EXPECTED[n].colourType);
        EXPECT_EQ(d.bitDepth, 8);
        EXPECT_EQ(d.interlace, PNG_INTERLACE_NONE);
    }
}

TEST(AssetsImages, TransparencyFollowsTheRules) {
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        Decoded d = decode(n);
        if (EXPECTED[n].keyed) {
            // Only the last palette entry is transparent, and it is used.
            ASSERT_EQ(static_cast<int>(d.trns.size()), d.paletteSize);
            for (int i = 0; i + 1 < d.paletteSize; ++i) EXPECT_EQ(d.trns[i], 255) << "entry " << i;
            EXPECT_EQ(d.trns.back(), 0);
            bool anyClear = false, anySolid = false;
            for (size_t i = 3; i < d.rgba.size(); i += 4) (d.rgba[i] ? anySolid : anyClear) = true;
            EXPECT_TRUE(anyClear && anySolid);
        } else {
            EXPECT_TRUE(d.trns.empty());
        }
    }
    // The plate's alpha is all or nothing; the backdrop and the title are fully opaque.
    Decoded plate = decode(9);
    bool plateClear = false;
    for (size_t i = 3; i < plate.rgba.size(); i += 4) {
        EXPECT_TRUE(plate.rgba[i] == 0 || plate.rgba[i] == 255);
        plateClear = plateClear || plate.rgba[i] == 0;
    }
    EXPECT_TRUE(plateClear);
    for (int n : {0, 14}) {
        Decoded d = decode(n);
        for (size_t i = 3; i < d.rgba.size(); i += 4) ASSERT_EQ(d.rgba[i], 255) << "image " << n;
    }
}

// Black is the colour key: anything opaque black vanishes at run time.
TEST(AssetsImages, OnlyTheBackdropHoldsOpaqueBlack) {
    for (int n = 1; n < assets::IMAGE_COUNT; ++n) {
        Decoded d = decode(n);
        for (size_t i = 0; i < d.rgba.size(); i += 4) {
            bool black = d.rgba[i] == 0 && d.rgba[i + 1] == 0 && d.rgba[i + 2] == 0 && d.rgba[i + 3] == 255;
            ASSERT_FALSE(black) << "image " << n << " pixel " << i / 4;
        }
    }
    // The backdrop: black sky and borders (keyed out), a coloured desert below.
    Decoded b = decode(0);
    auto isBlack = [&](int x, int y) {
        const uint8_t* p = &b.rgba[(static_cast<size_t>(y) * 640 + x) * 4];
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    };
    EXPECT_TRUE(isBlack(0, 0) && isBlack(639, 0) && isBlack(0, 479) && isBlack(639, 479));
    EXPECT_TRUE(isBlack(320, 10));
    size_t blackCount = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) blackCount += isBlack(x, y);
    EXPECT_GT(blackCount, 640u * 480 / 4);
    EXPECT_LT(blackCount, 640u * 480 * 3 / 4);
}

// The figure is drawn with texel (0.5, 120.5) of its 128 x 128 texture on its anchor:
// in the 70 x 100 image that is the bottom left, about row 94. Its feet must be there.
TEST(AssetsImages, FigureFramesStandOnTheAnchor) {
    for (int n = 10; n <= 13; ++n) {
        SCOPED_TRACE("image " + std::to_string(n));
        Decoded d = decode(n);
        int lowest = -1, leftmost = d.width;
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x)
                if (d.opaque(x, y)) {
                    lowest = y;
                    if (y >= 85) leftmost = std::min(leftmost, x);
                }
        EXPECT_GE(lowest, 92);
        EXPECT_LE(lowest, 97);
        EXPECT_LE(leftmost, 4);  // a foot reaches the left edge
        bool headRoom = false;   // and the figure is tall: something opaque in the top fifth
        for (int y = 0; y < 20 && !headRoom; ++y)
            for (int x = 0; x < d.width; ++x) headRoom = headRoom || d.opaque(x, y);
        EXPECT_TRUE(headRoom);
    }
}

}  // namespace

// Texture decode: power-of-two sizes, colour key, smooth scaling, bad bytes refused.
#include <gtest/gtest.h>

#include "platform/image.h"
#include "platform_png_util.h"

using platform::decodeImage;
using platform::Image;

namespace {

const uint8_t* pixel(const Image& img, int x, int y) { return &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4]; }

}  // namespace

TEST(ImageDecode, SidesRoundUpToPowersOfTwo) {
    const int sizes[][4] = {{640, 480, 1024, 512}, {50, 50, 64, 64}, {12, 19, 16, 32}, {19, 12, 32, 16},
                            {70, 100, 128, 128},   {1, 1, 1, 1},     {64, 64, 64, 64}};
    for (const auto& s : sizes) {
        auto png = testpng::encodeRgba(s[0], s[1], testpng::solid(s[0], s[1], 10, 200, 30, 255));
        Image img;
        ASSERT_EQ(decodeImage(png.data(), png.size(), 0xFF000000, &img), nullptr) << s[0] << "x" << s[1];
        EXPECT_EQ(img.width, s[2]);
        EXPECT_EQ(img.height, s[3]);
        EXPECT_EQ(img.sourceWidth, s[0]);
        EXPECT_EQ(img.sourceHeight, s[1]);
        ASSERT_EQ(img.rgba.size(), static_cast<size_t>(s[2]) * s[3] * 4);
        // A uniform image stays uniform whatever the scaling.
        for (size_t i = 0; i < img.rgba.size(); i += 4) {
            ASSERT_EQ(img.rgba[i], 10);
            ASSERT_EQ(img.rgba[i + 1], 200);
            ASSERT_EQ(img.rgba[i + 2], 30);
            ASSERT_EQ(img.rgba[i + 3], 255);
        }
    }
}

TEST(ImageDecode, ColourKeyClearsOnlyOpaqueBlack) {
    // Four pixels: opaque black, near-black, half-transparent black, white.
    std::vector<uint8_t> px = {0, 0, 0, 255, 1, 0, 0, 255, 0, 0, 0, 128, 255, 255, 255, 255};
    auto png = testpng::encodeRgba(4, 1, px);
    Image img;
    ASSERT_EQ(decodeImage(png.data(), png.size(), 0xFF000000, &img), nullptr);
    ASSERT_EQ(img.width, 4);
    const uint8_t expect[16] = {0, 0, 0, 0, 1, 0, 0, 255, 0, 0, 0, 128, 255, 255, 255, 255};
    EXPECT_EQ(0, std::memcmp(img.rgba.data(), expect, 16));

    // Key 0 turns keying off.
    ASSERT_EQ(decodeImage(png.data(), png.size(), 0, &img), nullptr);
    EXPECT_EQ(pixel(img, 0, 0)[3], 255);
}

TEST(ImageDecode, PaletteWithTransparentEntry) {
    // 3 × 2 palette image: entry 0 red, 1 opaque black, 2 fully transparent.
    std::vector<uint8_t> palette = {255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0};
    std::vector<uint8_t> idx = {0, 1, 2, 2, 1, 0};
    auto png = testpng::encodePalette(3, 2, idx, palette);
    ASSERT_FALSE(png.empty());
    Image img;
    ASSERT_EQ(decodeImage(png.data(), png.size(), 0xFF000000, &img), nullptr);
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(pixel(img, 0, 0)[3], 255);  // red stays opaque
    EXPECT_EQ(pixel(img, 0, 0)[0], 255);
    EXPECT_EQ(pixel(img, 3, 0)[3], 0);  // the transparent entry
}

TEST(ImageDecode, ScalingLeavesNoDarkFringeAtKeyedPixels) {
    // Red next to keyed black: the filtered edge fades out in alpha, not into darkness.
    std::vector<uint8_t> px = {255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    auto png = testpng::encodeRgba(3, 1, px);
    Image img;
    ASSERT_EQ(decodeImage(png.data(), png.size(), 0xFF000000, &img), nullptr);
    ASSERT_EQ(img.width, 4);
    bool sawPartial = false;
    for (int x = 0; x < 4; ++x) {
        const uint8_t* p = pixel(img, x, 0);
        if (p[3] > 0) {
            EXPECT_EQ(p[0], 255) << x;  // visible texels keep the full red
        }
        if (p[3] > 0 && p[3] < 255) sawPartial = true;
    }
    EXPECT_TRUE(sawPartial);
    EXPECT_EQ(pixel(img, 0, 0)[3], 255);
    EXPECT_EQ(pixel(img, 3, 0)[3], 0);
}

TEST(ImageDecode, BadBytesAreRefusedNeverACrash) {
    Image img;
    EXPECT_NE(decodeImage(nullptr, 0, 0xFF000000, &img), nullptr);
    const uint8_t junk[] = "definitely not an image at all";
    EXPECT_NE(decodeImage(junk, sizeof junk, 0xFF000000, &img), nullptr);

    std::vector<uint8_t> gradient(16 * 16 * 4);
    for (size_t i = 0; i < gradient.size(); ++i) gradient[i] = static_cast<uint8_t>(i * 7);
    auto png = testpng::encodeRgba(16, 16, gradient);
    ASSERT_EQ(decodeImage(png.data(), png.size(), 0xFF000000, &img), nullptr);

    // A truncation is refused unless all the pixel data is there (only the end marker
    // missing); then it gives the very same pixels.
    for (size_t n = 0; n < png.size(); ++n) {
        Image cut;
        if (decodeImage(png.data(), n, 0xFF000000, &cut) == nullptr) {
            EXPECT_GE(n, png.size() - 12) << "length " << n;
            EXPECT_EQ(cut.rgba, img.rgba);
        }
    }

    // Every single flipped byte either decodes or is refused; the result is always whole.
    for (size_t i = 0; i < png.size(); ++i) {
        auto bad = png;
        bad[i] ^= 0x5A;
        Image out;
        if (decodeImage(bad.data(), bad.size(), 0xFF000000, &out) == nullptr) {
            EXPECT_EQ(out.rgba.size(), static_cast<size_t>(out.width) * out.height * 4);
        }
    }
}

TEST(ImageDecode, HugeDeclaredSizeIsRefused) {
    auto png = testpng::encodeRgba(2, 2, testpng::solid(2, 2, 1, 2, 3, 255));
    auto big = testpng::encodeRgba(platform::MAX_IMAGE_SIDE + 1, 1,
                                   testpng::solid(platform::MAX_IMAGE_SIDE + 1, 1, 1, 2, 3, 255));
    Image img;
    EXPECT_NE(decodeImage(big.data(), big.size(), 0xFF000000, &img), nullptr);
    EXPECT_EQ(decodeImage(png.data(), png.size(), 0xFF000000, &img), nullptr);
}

// Texture decode: power-of-two sizes, colour key, smooth scaling, bad bytes refused.
#include <gtest/gtest.h>

#include "platform/image.h"
#include "platform_png_util.h"

using platform::decodeImage;
using platform::Image;

namespace {

const uint8_t* pixel(const Image& img, int x, int y) { return &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4]; }

// Decodes with the game's colour key; true when the bytes were accepted.
bool decode(const std::vector<uint8_t>& png, Image* img, size_t length = ~size_t{0}) {
    return decodeImage(png.data(), std::min(length, png.size()), 0xFF000000, img) == nullptr;
}

}  // namespace

TEST(ImageDecode, SidesRoundUpToPowersOfTwoAndUniformStaysUniform) {
    const int sizes[][4] = {{640, 480, 1024, 512}, {12, 19, 16, 32}, {70, 100, 128, 128}, {1, 1, 1, 1}};
    for (const auto& s : sizes) {
        Image img;
        ASSERT_TRUE(decode(testpng::encodeRgba(s[0], s[1], testpng::solid(s[0], s[1], 10, 200, 30, 255)), &img));
        EXPECT_EQ(std::vector<int>({img.width, img.height, img.sourceWidth, img.sourceHeight}),
                  std::vector<int>({s[2], s[3], s[0], s[1]}));
        EXPECT_EQ(img.rgba, testpng::solid(s[2], s[3], 10, 200, 30, 255)) << s[0] << "x" << s[1];
    }
}

TEST(ImageDecode, ColourKeyClearsOnlyOpaqueBlackWithoutADarkFringe) {
    // Opaque black, near-black, half-transparent black, white.
    auto png = testpng::encodeRgba(4, 1, {0, 0, 0, 255, 1, 0, 0, 255, 0, 0, 0, 128, 255, 255, 255, 255});
    Image img;
    ASSERT_TRUE(decode(png, &img));
    EXPECT_EQ(img.rgba, std::vector<uint8_t>({0, 0, 0, 0, 1, 0, 0, 255, 0, 0, 0, 128, 255, 255, 255, 255}));
    ASSERT_EQ(decodeImage(png.data(), png.size(), 0, &img), nullptr);  // key 0 turns keying off
    EXPECT_EQ(pixel(img, 0, 0)[3], 255);

    // 3 × 2 palette image: red, opaque black, fully transparent.
    const std::vector<uint8_t> palette = {255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0};
    ASSERT_TRUE(decode(testpng::encode(3, 2, {0, 1, 2, 2, 1, 0}, &palette), &img));
    ASSERT_EQ(img.width, 4);
    EXPECT_EQ(pixel(img, 0, 0)[0], 255);
    EXPECT_EQ(pixel(img, 0, 0)[3], 255);
    EXPECT_EQ(pixel(img, 3, 0)[3], 0);

    // Red next to keyed black: the scaled edge fades out in alpha, not into darkness.
    ASSERT_TRUE(decode(testpng::encodeRgba(3, 1, {255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}), &img));
    ASSERT_EQ(img.width, 4);
    bool sawPartial = false;
    for (int x = 0; x < 4; ++x) {
        const uint8_t* p = pixel(img, x, 0);
        if (p[3] > 0) {
            EXPECT_EQ(p[0], 255) << x;
        }
        sawPartial |= p[3] > 0 && p[3] < 255;
    }
    EXPECT_TRUE(sawPartial);
    EXPECT_EQ(pixel(img, 0, 0)[3], 255);
    EXPECT_EQ(pixel(img, 3, 0)[3], 0);
}

TEST(ImageDecode, BadBytesAreRefusedNeverACrash) {
    Image img;
    EXPECT_NE(decodeImage(nullptr, 0, 0xFF000000, &img), nullptr);
    EXPECT_FALSE(decode({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}, &img));
    const int huge = platform::MAX_IMAGE_SIDE + 1;
    EXPECT_FALSE(decode(testpng::encodeRgba(huge, 1, testpng::solid(huge, 1, 1, 2, 3, 255)), &img));

    std::vector<uint8_t> gradient(16 * 16 * 4);
    for (size_t i = 0; i < gradient.size(); ++i) gradient[i] = static_cast<uint8_t>(i * 7);
    auto png = testpng::encodeRgba(16, 16, gradient);
    ASSERT_TRUE(decode(png, &img));
    // A truncation is refused unless all the pixel data is there (only the end marker
    // missing); then it gives the very same pixels.
    for (size_t n = 0; n < png.size(); ++n) {
        Image cut;
        if (decode(png, &cut, n)) {
            EXPECT_GE(n, png.size() - 12) << "length " << n;
            EXPECT_EQ(cut.rgba, img.rgba);
        }
    }
    // Every single flipped byte either decodes or is refused; the result is always whole.
    for (size_t i = 0; i < png.size(); ++i) {
        auto bad = png;
        bad[i] ^= 0x5A;
        Image out;
        if (decode(bad, &out)) {
            EXPECT_EQ(out.rgba.size(), static_cast<size_t>(out.width) * out.height * 4);
        }
    }
}

// Texture decode: power-of-two sizes, colour key, smooth scaling, bad bytes refused.
#include <gtest/gtest.h>

#include "platform/image.h"
#include "platform_png_util.h"

using platform::decodeImage;
using platform::Image;

namespace {

// Decodes the first `length` bytes with the game's colour key; true when they were accepted.
bool decode(const std::vector<uint8_t>& png, Image* img, size_t length = ~size_t{0}) {
    return decodeImage(png.data(), std::min(length, png.size()), 0xFF000000, img) == nullptr;
}

}  // namespace

TEST(ImageDecode, SidesRoundUpToPowersOfTwoAndUniformStaysUniform) {
    const int sizes[][4] = {{640, 480, 1024, 512}, {12, 19, 16, 32}, {1, 1, 1, 1}};
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
    Image img;
    ASSERT_TRUE(
        decode(testpng::encodeRgba(4, 1, {0, 0, 0, 255, 1, 0, 0, 255, 0, 0, 0, 128, 255, 255, 255, 255}), &img));
    EXPECT_EQ(img.rgba, std::vector<uint8_t>({0, 0, 0, 0, 1, 0, 0, 255, 0, 0, 0, 128, 255, 255, 255, 255}));
    // Red next to keyed black, scaled to 4 wide: the edge fades out in alpha, not into darkness.
    ASSERT_TRUE(decode(testpng::encodeRgba(3, 1, {255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}), &img));
    ASSERT_EQ(img.width, 4);
    EXPECT_EQ(img.rgba[3], 255);
    EXPECT_EQ(img.rgba[15], 0);
    for (int x = 0; x < 4; ++x) EXPECT_TRUE(img.rgba[x * 4 + 3] == 0 || img.rgba[x * 4] == 255) << x;
    EXPECT_TRUE(img.rgba[7] > 0 && img.rgba[7] < 255);
}

TEST(ImageDecode, BadBytesAreRefusedNeverACrash) {
    Image img;
    EXPECT_NE(decodeImage(nullptr, 0, 0xFF000000, &img), nullptr);
    EXPECT_FALSE(decode({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}, &img));
    const int huge = platform::MAX_IMAGE_SIDE + 1;
    EXPECT_FALSE(decode(testpng::encodeRgba(huge, 1, testpng::solid(huge, 1, 1, 2, 3, 255)), &img));
    // A truncation is refused unless only the end marker is missing; then the pixels are the same.
    std::vector<uint8_t> gradient(16 * 16 * 4);
    for (size_t i = 0; i < gradient.size(); ++i) gradient[i] = static_cast<uint8_t>(i * 7);
    const auto png = testpng::encodeRgba(16, 16, gradient);
    ASSERT_TRUE(decode(png, &img));
    for (size_t n = 0; n < png.size(); ++n) {
        Image cut;
        EXPECT_TRUE(!decode(png, &cut, n) || (n >= png.size() - 12 && cut.rgba == img.rgba)) << "length " << n;
    }
}

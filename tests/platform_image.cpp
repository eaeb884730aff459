// The texture decoder of every system (libpng on Linux and the web, WIC on Windows)
// against the same expectations: every 8-bit PNG colour type gives, after the shared
// colour key and scaling, exactly the texels of its pixels; the embedded images give
// the same texels everywhere; bad bytes are refused, never a crash. The PNGs are
// written here without a PNG library, so the Windows build runs these too.
//
// 16-bit PNGs are left out: libpng's simplified reader takes 16-bit samples without a
// gamma chunk as linear light and re-encodes them for sRGB, where WIC keeps the high
// byte, so the systems differ there (none of the game's images is 16-bit).
#include <gtest/gtest.h>

#include <cstring>

#include "assets/embedded.h"
#include "platform/image.h"
#include "platform_png_stored.h"

using platform::decodeImage;
using platform::Image;

namespace {

constexpr uint32_t KEY = 0xFF000000;  // the game's colour key: opaque black
constexpr int W = 5, H = 3;           // odd sides: the result is scaled to 8 × 4

// W × H RGBA pixels with opaque black (keyed), opaque colours, and transparency.
std::vector<uint8_t> pixels(bool grey, bool alpha) {
    std::vector<uint8_t> px;
    for (int i = 0; i < W * H; ++i) {
        uint8_t r = static_cast<uint8_t>(i * 37 + 11), g = static_cast<uint8_t>(i * 91 + 3),
                b = static_cast<uint8_t>(200 - i * 13), a = 255;
        if (i % 4 == 1) r = g = b = 0;                  // keyed
        if (alpha && i % 5 == 2) a = 0, r = g = b = 7;  // transparent in the file
        if (grey) g = b = r;
        px.insert(px.end(), {r, g, b, a});
    }
    return px;
}

// The raw rows of `px` in a colour type.
std::vector<uint8_t> samples(const std::vector<uint8_t>& px, int colourType) {
    std::vector<uint8_t> raw;
    for (size_t i = 0; i < px.size(); i += 4) {
        if (colourType == 0 || colourType == 4) raw.push_back(px[i]);
        if (colourType == 2 || colourType == 6) raw.insert(raw.end(), {px[i], px[i + 1], px[i + 2]});
        if (colourType == 4 || colourType == 6) raw.push_back(px[i + 3]);
    }
    return raw;
}

Image keyedAndScaled(const std::vector<uint8_t>& px, int w, int h) {
    Image expected;
    platform::keyAndScaleImage(px.data(), w, h, KEY, &expected);
    return expected;
}

std::string decodeToText(const std::vector<uint8_t>& png, Image* img, size_t length = ~size_t{0}) {
    const char* err = decodeImage(png.data(), std::min(length, png.size()), KEY, img);
    return err ? err : "";
}

uint64_t fnv1a(const Image& img) {
    uint64_t h = 0xcbf29ce484222325ull;
    auto mix = [&](uint8_t v) { h = (h ^ v) * 0x100000001b3ull; };
    for (int v : {img.width, img.height})
        for (int s = 0; s < 32; s += 8) mix(static_cast<uint8_t>(v >> s));
    for (uint8_t v : img.rgba) mix(v);
    return h;
}

}  // namespace

TEST(ImageDecode, EveryColourTypeGivesTheTexelsOfItsPixels) {
    const struct {
        const char* name;
        int colourType;
        bool grey, alpha;
    } cases[] = {{"grey", 0, true, false}, {"grey+alpha", 4, true, true}, {"RGB", 2, false, false}, {"RGBA", 6, false, true}};
    for (const auto& c : cases) {
        const std::vector<uint8_t> px = pixels(c.grey, c.alpha);
        Image img;
        ASSERT_EQ(decodeToText(storedpng::encode({c.colourType, W, H, samples(px, c.colourType), {}, {}}), &img), "")
            << c.name;
        EXPECT_EQ(std::vector<int>({img.width, img.height, img.sourceWidth, img.sourceHeight}),
                  std::vector<int>({8, 4, W, H}))
            << c.name;
        EXPECT_EQ(img.rgba, keyedAndScaled(px, W, H).rgba) << c.name;
    }

    // Palette with one transparent entry, as most of the game's images are stored.
    const std::vector<uint8_t> palette = {0, 0, 0, 250, 200, 20, 30, 60, 90, 9, 9, 9};
    const std::vector<uint8_t> trns = {255, 255, 255, 0};
    std::vector<uint8_t> indices, px;
    for (int i = 0; i < W * H; ++i) {
        const uint8_t n = static_cast<uint8_t>(i % 4);
        indices.push_back(n);
        px.insert(px.end(), {palette[n * 3], palette[n * 3 + 1], palette[n * 3 + 2], trns[n]});
    }
    Image img;
    ASSERT_EQ(decodeToText(storedpng::encode({3, W, H, indices, palette, trns}), &img), "");
    EXPECT_EQ(img.rgba, keyedAndScaled(px, W, H).rgba);
}

TEST(ImageDecode, ColourKeyClearsOnlyOpaqueBlackWithoutADarkFringe) {
    // Opaque black, near-black, half-transparent black, white: only the first is keyed.
    Image img;
    ASSERT_EQ(decodeToText(storedpng::encodeRgba(4, 1, {0, 0, 0, 255, 1, 0, 0, 255, 0, 0, 0, 128, 255, 255, 255, 255}), &img), "");
    EXPECT_EQ(img.rgba, std::vector<uint8_t>({0, 0, 0, 0, 1, 0, 0, 255, 0, 0, 0, 128, 255, 255, 255, 255}));
    // Red next to keyed black, scaled to 4 wide: the edge fades out in alpha, not into darkness.
    ASSERT_EQ(decodeToText(storedpng::encodeRgba(3, 1, {255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}), &img), "");
    ASSERT_EQ(img.width, 4);
    for (int x = 0; x < 4; ++x) EXPECT_TRUE(img.rgba[x * 4 + 3] == 0 || img.rgba[x * 4] == 255) << x;
    EXPECT_TRUE(img.rgba[3] == 255 && img.rgba[7] > 0 && img.rgba[7] < 255 && img.rgba[15] == 0);
}

TEST(ImageDecode, EmbeddedImagesGiveTheSameTexelsOnEverySystem) {
    // Texels of the game's images after the colour key and scaling, as the Linux
    // decoder gives them; every other decoder must give the very same. If the images
    // are redrawn on purpose, the failures below print the new values.
    const uint64_t expected[assets::IMAGE_COUNT] = {
        13265152176039803730ull, 36753648266820473ull,    3707369440452363596ull,  13290152804284240972ull,
        3633941940571680749ull,  14331478218211876912ull, 299375673545975853ull,   10158611211850057649ull,
        9413319386563788729ull,  4014799104960766361ull,  5306961598458997244ull,  9407945796735344705ull,
        99322111243239529ull,    14977429320318953087ull, 12819525660676767982ull,
    };
    for (int n = 0; n < assets::IMAGE_COUNT; ++n) {
        Image img;
        ASSERT_EQ(decodeImage(assets::imageData(n), assets::imageLength(n), KEY, &img), nullptr) << "image " << n;
        EXPECT_EQ(img.sourceWidth, assets::IMAGES[n].width);
        EXPECT_EQ(fnv1a(img), expected[n]) << "image " << n << " (" << assets::IMAGES[n].name << ")";
    }
}

TEST(ImageDecode, BadBytesAreRefusedWithAReasonNeverACrash) {
    Image img;
    EXPECT_NE(decodeImage(nullptr, 0, KEY, &img), nullptr);
    EXPECT_NE(decodeToText({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, &img), "");
    for (int side : {0, platform::MAX_IMAGE_SIDE + 1}) {
        const std::vector<uint8_t> raw(static_cast<size_t>(side) * 3, 0x80);
        EXPECT_NE(decodeToText(storedpng::encode({2, side, 1, raw, {}, {}}), &img), "") << side;
    }
    // Every truncation: refused, or (only the end marker missing) the same pixels.
    const std::vector<uint8_t> px = pixels(false, true);
    const std::vector<uint8_t> png = storedpng::encode({6, W, H, samples(px, 6), {}, {}});
    const Image whole = keyedAndScaled(px, W, H);
    for (size_t n = 0; n < png.size(); ++n) {
        Image cut;
        EXPECT_TRUE(decodeToText(png, &cut, n) != "" || (n >= png.size() - 12 && cut.rgba == whole.rgba))
            << "length " << n;
    }
    // A damaged pixel chunk (its checksum no longer matches): refused.
    std::vector<uint8_t> damaged = png;
    damaged[damaged.size() - 12 - 4 - 8] ^= 0x55;
    EXPECT_NE(decodeToText(damaged, &img), "");
}

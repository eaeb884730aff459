// The SDL drawing code on the headless pixel buffer: sprites placed, tinted, blended,
// ordered and transformed as the game relies on.
#include <gtest/gtest.h>

#include "platform/headless/headless.h"
#include "platform_png_stored.h"

using namespace platform;
using math::Matrix;
using math::Vec3;

namespace {

class Render : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(openWindow("RenderTest", 640, 480));
        ASSERT_TRUE(openDevice()) << lastError();
        batch = createSpriteBatch();
    }
    void SetUp() override {
        beginFrame(0xFF000000, 1.0f);
        Matrix id;
        spriteSetTransform(batch, *math::matrixIdentity(&id));
        spriteBegin(batch);
    }
    static Texture* texture(int w, int h, const std::vector<uint8_t>& rgba) {
        const std::vector<uint8_t> png = storedpng::encodeRgba(w, h, rgba);
        Texture* t = createTexture(png.data(), static_cast<uint32_t>(png.size()), COLOUR_KEY_BLACK);
        EXPECT_NE(t, nullptr);
        return t;
    }
    static Texture* solid(uint8_t r, uint8_t g, uint8_t b, int h = 8) {
        std::vector<uint8_t> px;
        for (int i = 0; i < 8 * h; ++i) px.insert(px.end(), {r, g, b, 255});
        return texture(8, h, px);
    }
    // The back buffer at (x, y) as 0xRRGGBB.
    static uint32_t rgb(int x, int y) {
        const uint8_t* p = headlessPixels() + (static_cast<size_t>(y) * BACK_BUFFER_WIDTH + x) * 4;
        return static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
    }
    static inline SpriteBatch* batch = nullptr;
    Vec3 centre{0.5f, 0.5f, 0.0f};
};

}  // namespace

TEST_F(Render, SpriteCentreTexelLandsOnThePosition) {
    std::vector<uint8_t> px(4 * 4 * 4, 255);
    for (int i = 0; i < 16; ++i) px[i * 4] = static_cast<uint8_t>(40 + 60 * (i % 4)), px[i * 4 + 1] = 40 + 60 * (i / 4);
    spriteDraw(batch, texture(4, 4, px), centre, Vec3{100.0f, 200.0f, 0.0f}, 0xFFFFFFFF);
    spriteEnd(batch);
    // Top left corner at (99.5, 199.5): texel (x, y) fills pixel (100 + x, 200 + y) exactly.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(rgb(100 + x, 200 + y), static_cast<uint32_t>((40 + 60 * x) << 16 | (40 + 60 * y) << 8 | 255));
    EXPECT_EQ(rgb(104, 203), 0x000000u);
}

TEST_F(Render, ColourMultipliesAndBatchDrawsBackToFrontStableForEqualDepth) {
    Texture* white = solid(255, 255, 255);
    spriteDraw(batch, solid(255, 0, 0), centre, Vec3{10, 10, 0.1f}, 0xFFFFFFFF);  // drawn first: still on top
    spriteDraw(batch, solid(0, 0, 255), centre, Vec3{10, 10, 0.9f}, 0xFFFFFFFF);
    spriteDraw(batch, white, centre, Vec3{30, 10, 0.5f}, 0xFF00FF00);
    spriteDraw(batch, white, centre, Vec3{30, 10, 0.5f}, 0xFFFF0000);  // the hit flash: equal depth, call order holds
    spriteDraw(batch, white, centre, Vec3{50, 10, 0.5f}, 0x80FFFFFF);  // half transparent over black
    spriteEnd(batch);
    EXPECT_EQ(rgb(12, 12), 0xFF0000u);
    EXPECT_EQ(rgb(33, 13), 0xFF0000u);
    EXPECT_NEAR(rgb(53, 13) & 255, 128, 2);
}

TEST_F(Render, TransformInForceAtTheDrawIsApplied) {
    Matrix half, spin, id;
    math::matrixAffineTransformation(&half, 0.5f, nullptr, nullptr, nullptr);
    math::Quaternion q;
    math::quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, 1.5707964f);
    const Vec3 pivot{300, 300, 0};
    math::matrixAffineTransformation(&spin, 1.0f, &pivot, &q, nullptr);
    spriteSetTransform(batch, half);
    spriteDraw(batch, solid(255, 0, 0), centre, Vec3{200, 200, 0}, 0xFFFFFFFF);  // 8×8 halved: top left at (99.75, 99.75)
    spriteSetTransform(batch, spin);
    spriteDraw(batch, solid(0, 255, 0, 2), centre, pivot, 0xFFFFFFFF);  // a horizontal bar turned upright
    spriteSetTransform(batch, *math::matrixIdentity(&id));             // only the draw made under it turns
    spriteEnd(batch);
    EXPECT_EQ(rgb(103, 103), 0xFF0000u);
    EXPECT_EQ(rgb(104, 100), 0x000000u);
    EXPECT_EQ(rgb(299, 305), 0x00FF00u);
    EXPECT_EQ(rgb(305, 300), 0x000000u);
}

// The headless device and sprite batch, checked on the pixels they draw.
#include <gtest/gtest.h>

#include "platform/device.h"
#include "platform/headless.h"
#include "platform_png_util.h"

using namespace platform;

namespace {

intptr_t quietProc(Window*, uint32_t, uintptr_t, intptr_t) { return 0; }

// Platform objects are never released; kept reachable here, as the game does.
std::vector<Texture*> textures;

class Render : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static WindowClass wc{0, quietProc, getModuleHandle(nullptr), "RenderTest"};
        registerClass(&wc);
        Window* w = createWindow(0, "RenderTest", "RenderTest", 0, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
        device = createDevice(direct3DCreate(SDK_VERSION), 0, DEVTYPE_HAL, w, 0, nullptr);
        ASSERT_NE(device, nullptr);
        ASSERT_EQ(createSprite(device, &batch), 0);
    }
    void SetUp() override {
        deviceClear(device, 0, nullptr, CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        Matrix id;
        spriteSetTransform(batch, matrixIdentity(&id));
        spriteBegin(batch, SPRITE_ALPHABLEND | SPRITE_SORT_DEPTH_BACKTOFRONT);
    }
    static Texture* texture(int w, int h, const std::vector<uint8_t>& rgba) {
        const std::vector<uint8_t> png = testpng::encodeRgba(w, h, rgba);
        textures.push_back(nullptr);
        EXPECT_EQ(createTextureFromFileInMemoryEx(device, png.data(), static_cast<uint32_t>(png.size()), ~0u, ~0u, ~0u,
                                                  0, 0, 1, ~0u, ~0u, 0xFF000000, nullptr, nullptr, &textures.back()),
                  0);
        return textures.back();
    }
    static Texture* solid(uint8_t r, uint8_t g, uint8_t b, int h = 8) {
        return texture(8, h, testpng::solid(8, h, r, g, b, 255));
    }
    // The back buffer at (x, y) as 0xRRGGBB.
    static uint32_t rgb(int x, int y) {
        const uint8_t* p = headlessPixels() + (static_cast<size_t>(y) * BACK_BUFFER_WIDTH + x) * 4;
        return static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
    }
    static inline Device* device = nullptr;
    static inline SpriteBatch* batch = nullptr;
    Vec3 centre{0.5f, 0.5f, 0.0f};
};

}  // namespace

TEST_F(Render, SpriteCentreTexelLandsOnThePosition) {
    std::vector<uint8_t> px(4 * 4 * 4, 255);
    for (int i = 0; i < 16; ++i) px[i * 4] = static_cast<uint8_t>(40 + 60 * (i % 4)), px[i * 4 + 1] = 40 + 60 * (i / 4);
    Vec3 pos{100.0f, 200.0f, 0.0f};
    spriteDraw(batch, texture(4, 4, px), &centre, &pos, 0xFFFFFFFF);
    spriteEnd(batch);
    // Top left corner at (99.5, 199.5): texel (x, y) fills pixel (100 + x, 200 + y) exactly.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(rgb(100 + x, 200 + y), static_cast<uint32_t>((40 + 60 * x) << 16 | (40 + 60 * y) << 8 | 255));
    EXPECT_EQ(rgb(104, 203), 0x000000u);
}

TEST_F(Render, ColourMultipliesAndBatchDrawsBackToFrontStableForEqualDepth) {
    Texture* white = solid(255, 255, 255);
    Vec3 near{10, 10, 0.1f}, far{10, 10, 0.9f}, c{30, 10, 0.5f}, d{50, 10, 0.5f};
    spriteDraw(batch, solid(255, 0, 0), &centre, &near, 0xFFFFFFFF);  // drawn first: still on top
    spriteDraw(batch, solid(0, 0, 255), &centre, &far, 0xFFFFFFFF);
    spriteDraw(batch, white, &centre, &c, 0xFF00FF00);
    spriteDraw(batch, white, &centre, &c, 0xFFFF0000);  // the hit flash: equal depth, call order holds
    spriteDraw(batch, white, &centre, &d, 0x80FFFFFF);  // half transparent over black
    spriteEnd(batch);
    EXPECT_EQ(rgb(12, 12), 0xFF0000u);
    EXPECT_EQ(rgb(33, 13), 0xFF0000u);
    EXPECT_NEAR(rgb(53, 13) & 255, 128, 2);
}

TEST_F(Render, TransformInForceAtTheDrawIsApplied) {
    Matrix half, spin, id;
    matrixAffineTransformation(&half, 0.5f, nullptr, nullptr, nullptr);
    Quaternion q;
    quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, 1.5707964f);
    Vec3 pivot{300, 300, 0}, pos{200, 200, 0};
    matrixAffineTransformation(&spin, 1.0f, &pivot, &q, nullptr);
    spriteSetTransform(batch, &half);
    spriteDraw(batch, solid(255, 0, 0), &centre, &pos, 0xFFFFFFFF);  // 8×8 halved: top left at (99.75, 99.75)
    spriteSetTransform(batch, &spin);
    spriteDraw(batch, solid(0, 255, 0, 2), &centre, &pivot, 0xFFFFFFFF);  // a horizontal bar turned upright
    spriteSetTransform(batch, matrixIdentity(&id));                       // only the draw made under it turns
    spriteEnd(batch);
    EXPECT_EQ(rgb(103, 103), 0xFF0000u);
    EXPECT_EQ(rgb(104, 100), 0x000000u);
    EXPECT_EQ(rgb(299, 305), 0x00FF00u);
    EXPECT_EQ(rgb(305, 300), 0x000000u);
}

// The headless device and sprite batch, checked on the pixels they draw.
#include <gtest/gtest.h>

#include "platform/device.h"
#include "platform/headless.h"
#include "platform_png_util.h"

using namespace platform;

namespace {

intptr_t quietProc(Window*, uint32_t, uintptr_t, intptr_t) { return 0; }

Device* testDevice() {
    static Device* device = [] {
        static WindowClass wc{0, quietProc, getModuleHandle(nullptr), "RenderTest"};
        registerClass(&wc);
        Window* w = createWindow(0, "RenderTest", "RenderTest", 0, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
        return createDevice(direct3DCreate(SDK_VERSION), 0, DEVTYPE_HAL, w, 0, nullptr);
    }();
    return device;
}

// Platform objects are never released; the tests keep them reachable, as the game does.
Texture* textures[64];
int textureCount = 0;

int load(const std::vector<uint8_t>& bytes, Texture** t) {
    return createTextureFromFileInMemoryEx(testDevice(), bytes.data(), static_cast<uint32_t>(bytes.size()), ~0u, ~0u,
                                           ~0u, 0, 0, 1, ~0u, ~0u, 0xFF000000, nullptr, nullptr, t);
}

Texture* makeTexture(int w, int h, const std::vector<uint8_t>& rgba) {
    Texture* t = nullptr;
    EXPECT_EQ(load(testpng::encodeRgba(w, h, rgba), &t), 0);
    if (textureCount < 64) textures[textureCount++] = t;
    return t;
}

Texture* solid(uint8_t r, uint8_t g, uint8_t b, int h = 8) {
    return makeTexture(8, h, testpng::solid(8, h, r, g, b, 255));
}

// The back buffer at (x, y) as 0xRRGGBB.
uint32_t rgb(int x, int y) {
    const uint8_t* p = headlessPixels() + (static_cast<size_t>(y) * BACK_BUFFER_WIDTH + x) * 4;
    return static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
}

class Render : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(device, nullptr);
        deviceClear(device, 0, nullptr, CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        static SpriteBatch* shared = nullptr;
        if (!shared) {
            ASSERT_EQ(createSprite(device, &shared), 0);
        }
        batch = shared;
        Matrix id;
        spriteSetTransform(batch, matrixIdentity(&id));
    }
    Device* device = testDevice();
    SpriteBatch* batch = nullptr;
    Vec3 centre{0.5f, 0.5f, 0.0f};
};

}  // namespace

TEST_F(Render, SpriteCentreTexelLandsOnThePosition) {
    std::vector<uint8_t> px(4 * 4 * 4);
    for (int i = 0; i < 16; ++i)
        px[i * 4] = static_cast<uint8_t>(40 + 60 * (i % 4)), px[i * 4 + 1] = static_cast<uint8_t>(40 + 60 * (i / 4)),
               px[i * 4 + 2] = 200, px[i * 4 + 3] = 255;
    Texture* tex = makeTexture(4, 4, px);
    spriteBegin(batch, SPRITE_ALPHABLEND | SPRITE_SORT_DEPTH_BACKTOFRONT);
    Vec3 pos{100.0f, 200.0f, 0.0f};
    spriteDraw(batch, tex, &centre, &pos, 0xFFFFFFFF);
    spriteEnd(batch);
    // Top left corner at (99.5, 199.5): texel (x, y) fills pixel (100 + x, 200 + y) exactly.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(rgb(100 + x, 200 + y), static_cast<uint32_t>((40 + 60 * x) << 16 | (40 + 60 * y) << 8 | 200));
    EXPECT_EQ(rgb(99, 200), 0x000000u);
    EXPECT_EQ(rgb(100, 199), 0x000000u);
    EXPECT_EQ(rgb(104, 203), 0x000000u);
    EXPECT_EQ(rgb(103, 204), 0x000000u);
}

TEST_F(Render, ColourMultipliesAndBatchDrawsBackToFrontStableForEqualDepth) {
    Texture *white = solid(255, 255, 255), *red = solid(255, 0, 0), *blue = solid(0, 0, 255);
    Vec3 a{10, 10, 0.1f}, b{10, 10, 0.9f}, c{30, 10, 0.5f}, d{50, 10, 0.5f};
    spriteBegin(batch, SPRITE_ALPHABLEND | SPRITE_SORT_DEPTH_BACKTOFRONT);
    spriteDraw(batch, red, &centre, &a, 0xFFFFFFFF);  // near, drawn first: still on top
    spriteDraw(batch, blue, &centre, &b, 0xFFFFFFFF);
    spriteDraw(batch, white, &centre, &c, 0xFF00FF00);  // green
    spriteDraw(batch, white, &centre, &c, 0xFFFF0000);  // red, the hit flash: equal depth, call order holds
    spriteDraw(batch, white, &centre, &d, 0x80FFFFFF);  // half transparent over black
    spriteEnd(batch);
    EXPECT_EQ(rgb(12, 12), 0xFF0000u);
    EXPECT_EQ(rgb(33, 13), 0xFF0000u);
    for (int shift : {0, 8, 16}) EXPECT_NEAR((rgb(53, 13) >> shift) & 255, 128, 2);
}

TEST_F(Render, TransformInForceAtTheDrawIsApplied) {
    Texture *red = solid(255, 0, 0), *green = solid(0, 255, 0, 2);
    Matrix half, spin, kept;
    matrixAffineTransformation(&half, 0.5f, nullptr, nullptr, nullptr);
    Quaternion q;
    quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, 1.5707964f);
    Vec3 pivot{300, 300, 0}, pos{200, 200, 0};
    matrixAffineTransformation(&spin, 1.0f, &pivot, &q, nullptr);
    spriteBegin(batch, SPRITE_ALPHABLEND | SPRITE_SORT_DEPTH_BACKTOFRONT);
    spriteGetTransform(batch, &kept);
    spriteSetTransform(batch, &half);
    spriteDraw(batch, red, &centre, &pos, 0xFFFFFFFF);  // 8×8 halved: top left at (99.75, 99.75)
    spriteSetTransform(batch, &spin);
    spriteDraw(batch, green, &centre, &pivot, 0xFFFFFFFF);  // a horizontal bar turned upright
    spriteSetTransform(batch, &kept);                       // only the draw made under it turns
    spriteEnd(batch);
    EXPECT_EQ(rgb(100, 100), 0xFF0000u);
    EXPECT_EQ(rgb(103, 103), 0xFF0000u);
    EXPECT_EQ(rgb(104, 100), 0x000000u);
    EXPECT_EQ(rgb(299, 305), 0x00FF00u);
    EXPECT_EQ(rgb(302, 305), 0x000000u);
    EXPECT_EQ(rgb(305, 300), 0x000000u);
}

TEST_F(Render, BadImageBytesGiveNoTexture) {
    Texture* t = reinterpret_cast<Texture*>(1);
    EXPECT_LT(load({0x89, 'P', 'N', 'G', 1, 2, 3}, &t), 0);
    EXPECT_EQ(t, nullptr);
    EXPECT_STRNE(lastError(), "");
}

// The headless device and sprite batch, checked on the pixels they draw.
#include <gtest/gtest.h>

#include <cmath>

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

Texture* makeTexture(int w, int h, const std::vector<uint8_t>& rgba) {
    auto png = testpng::encodeRgba(w, h, rgba);
    Texture* t = nullptr;
    EXPECT_EQ(createTextureFromFileInMemoryEx(testDevice(), png.data(), static_cast<uint32_t>(png.size()), ~0u, ~0u,
                                              ~0u, 0, 0, 1, ~0u, ~0u, 0xFF000000, nullptr, nullptr, &t),
              0);
    if (textureCount < 64) textures[textureCount++] = t;
    return t;
}

Texture* solidTexture(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    return makeTexture(w, h, testpng::solid(w, h, r, g, b, 255));
}

struct Rgb {
    int r, g, b;
};

Rgb at(int x, int y) {
    const uint8_t* p = headlessPixels() + (static_cast<size_t>(y) * BACK_BUFFER_WIDTH + x) * 4;
    return {p[0], p[1], p[2]};
}

void expectRgb(int x, int y, int r, int g, int b, int tolerance = 0) {
    Rgb c = at(x, y);
    EXPECT_NEAR(c.r, r, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(c.g, g, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(c.b, b, tolerance) << "at " << x << "," << y;
}

class Render : public ::testing::Test {
  protected:
    void SetUp() override {
        device = testDevice();
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
    Device* device = nullptr;
    SpriteBatch* batch = nullptr;
};

}  // namespace

TEST_F(Render, SpriteCentreTexelLandsOnThePosition) {
    std::vector<uint8_t> px(4 * 4 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = &px[(y * 4 + x) * 4];
            p[0] = static_cast<uint8_t>(40 + 60 * x), p[1] = static_cast<uint8_t>(40 + 60 * y), p[2] = 200, p[3] = 255;
        }
    Texture* tex = makeTexture(4, 4, px);
    spriteBegin(batch, SPRITE_ALPHABLEND | SPRITE_SORT_DEPTH_BACKTOFRONT);
    Vec3 centre{0.5f, 0.5f, 0.0f}, pos{100.0f, 200.0f, 0.0f};
    spriteDraw(batch, tex, &centre, &pos, 0xFFFFFFFF);
    spriteEnd(batch);

    // Top left corner at (99.5, 199.5): texel (x, y) fills pixel (100 + x, 200 + y) exactly.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) expectRgb(100 + x, 200 + y, 40 + 60 * x, 40 + 60 * y, 200);
    expectRgb(99, 200, 0, 0, 0);
    expectRgb(100, 199, 0, 0, 0);
    expectRgb(104, 203, 0, 0, 0);
    expectRgb(103, 204, 0, 0, 0);

    int count = 0;
    const SpriteDrawRecord* log = headlessSpriteDraws(&count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(log[0].texture, tex);
    EXPECT_EQ(log[0].position.x, 100.0f);
    EXPECT_EQ(log[0].centre.y, 0.5f);
    EXPECT_EQ(log[0].colour, 0xFFFFFFFFu);
    EXPECT_EQ(log[0].transform.m[0][0], 1.0f);
    EXPECT_EQ(textureWidth(tex), 4);
    EXPECT_EQ(textureHeight(tex), 4);
}

TEST_F(Render, ColourMultipliesEveryTexelAndAlphaBlends) {
    Texture* white = solidTexture(8, 8, 255, 255, 255);
    spriteBegin(batch, SPRITE_ALPHABLEND);
    Vec3 centre{0.5f, 0.5f, 0.0f}, a{10, 10, 0}, b{30, 10, 0}, c{50, 10, 0};
    spriteDraw(batch, white, &centre, &a, 0xFF00FF00);  // green
    spriteDraw(batch, white, &centre, &b, 0xFFFF0000);  // red: the hit flash
    spriteDraw(batch, white, &centre, &c, 0x80FFFFFF);  // half transparent over black
    spriteEnd(batch);
    expectRgb(13, 13, 0, 255, 0);
    expectRgb(33, 13, 255, 0, 0);
    expectRgb(53, 13, 128, 128, 128, 2);
}

TEST_F(Render, BatchDrawsBackToFrontStableForEqualDepth) {
    Texture* red = solidTexture(8, 8, 255, 0, 0);
    Texture* blue = solidTexture(8, 8, 0, 0, 255);
    Texture* green = solidTexture(8, 8, 0, 255, 0);
    Vec3 centre{0.5f, 0.5f, 0.0f};
    Vec3 nearA{10, 10, 0.1f}, farA{10, 10, 0.9f};
    Vec3 eqA{30, 10, 0.5f};
    spriteBegin(batch, SPRITE_ALPHABLEND | SPRITE_SORT_DEPTH_BACKTOFRONT);
    spriteDraw(batch, red, &centre, &nearA, 0xFFFFFFFF);  // near, drawn first: still on top
    spriteDraw(batch, blue, &centre, &farA, 0xFFFFFFFF);
    spriteDraw(batch, red, &centre, &eqA, 0xFFFFFFFF);  // equal depth: call order holds
    spriteDraw(batch, green, &centre, &eqA, 0xFFFFFFFF);
    spriteDraw(batch, blue, &centre, &eqA, 0xFFFFFFFF);
    spriteEnd(batch);
    expectRgb(12, 12, 255, 0, 0);
    expectRgb(32, 12, 0, 0, 255);

    // Without the sort flag the call order decides.
    spriteBegin(batch, SPRITE_ALPHABLEND);
    spriteDraw(batch, red, &centre, &nearA, 0xFFFFFFFF);
    spriteDraw(batch, blue, &centre, &farA, 0xFFFFFFFF);
    spriteEnd(batch);
    expectRgb(12, 12, 0, 0, 255);
}

TEST_F(Render, TransformInForceAtTheDrawIsApplied) {
    Texture* red = solidTexture(8, 8, 255, 0, 0);
    Texture* green = solidTexture(8, 2, 0, 255, 0);
    Matrix half, spin, kept;
    matrixAffineTransformation(&half, 0.5f, nullptr, nullptr, nullptr);
    Quaternion q;
    quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, 1.5707964f);
    Vec3 pivot{300, 300, 0};
    matrixAffineTransformation(&spin, 1.0f, &pivot, &q, nullptr);

    spriteBegin(batch, SPRITE_ALPHABLEND | SPRITE_SORT_DEPTH_BACKTOFRONT);
    spriteGetTransform(batch, &kept);
    Vec3 centre{0.5f, 0.5f, 0.0f}, pos{200, 200, 0};
    spriteSetTransform(batch, &half);
    spriteDraw(batch, red, &centre, &pos, 0xFFFFFFFF);  // 8×8 halved: top left at (99.75, 99.75)
    spriteSetTransform(batch, &spin);
    spriteDraw(batch, green, &centre, &pivot, 0xFFFFFFFF);  // a horizontal bar turned upright
    spriteSetTransform(batch, &kept);
    spriteEnd(batch);

    expectRgb(100, 100, 255, 0, 0);
    expectRgb(103, 103, 255, 0, 0);
    expectRgb(105, 100, 0, 0, 0);
    expectRgb(99, 99, 0, 0, 0);
    expectRgb(299, 305, 0, 255, 0);
    expectRgb(300, 305, 0, 255, 0);
    expectRgb(302, 305, 0, 0, 0);
    expectRgb(305, 300, 0, 0, 0);

    int count = 0;
    const SpriteDrawRecord* log = headlessSpriteDraws(&count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(log[0].transform.m[0][0], 0.5f);
    EXPECT_NEAR(log[1].transform.m[0][1], 1.0f, 1e-6f);
    Matrix now;
    spriteGetTransform(batch, &now);
    EXPECT_EQ(now.m[0][0], 1.0f);
}

namespace {

struct QuadVertex {
    float x, y, z, nx, ny, nz, u, v;
};

void drawClipQuad(Device* device, Texture* tex, float u0, float v0, float u1, float v1) {
    QuadVertex quad[4] = {{-1, 1, 0, 0, 0, -1, u0, v0},
                          {1, 1, 0, 0, 0, -1, u1, v0},
                          {-1, -1, 0, 0, 0, -1, u0, v1},
                          {1, -1, 0, 0, 0, -1, u1, v1}};
    Matrix id;
    matrixIdentity(&id);
    deviceSetTransform(device, TS_VIEW, &id);
    deviceSetTransform(device, TS_PROJECTION, &id);
    deviceSetRenderState(device, RS_CULLMODE, CULL_NONE);
    deviceSetRenderState(device, RS_AMBIENT, 0xFFFFFFFF);
    Material m{};
    m.diffuse = m.ambient = m.specular = {1, 1, 1, 1};
    deviceSetMaterial(device, &m);
    deviceSetRenderState(device, RS_ALPHABLENDENABLE, 1);
    deviceSetRenderState(device, RS_SRCBLEND, BLEND_SRCALPHA);
    deviceSetRenderState(device, RS_DESTBLEND, BLEND_INVSRCALPHA);
    deviceSetTexture(device, 0, tex);
    deviceSetFVF(device, 0x112);
    EXPECT_EQ(deviceDrawPrimitiveUP(device, PT_TRIANGLESTRIP, 2, quad, sizeof(QuadVertex)), 0);
    deviceSetTexture(device, 0, nullptr);
}

}  // namespace

TEST_F(Render, ClipSpaceQuadWithWrappedCoordinatesShowsTheTextureUpright) {
    // Top row red, bottom row blue; v runs from -1 at the top to 0 at the bottom.
    std::vector<uint8_t> px = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255};
    Texture* tex = makeTexture(2, 2, px);
    Matrix id;
    matrixIdentity(&id);
    deviceSetTransform(device, TS_WORLD, &id);
    drawClipQuad(device, tex, 0, -1, 1, 0);
    expectRgb(0, 0, 255, 0, 0);
    expectRgb(639, 0, 255, 0, 0);
    expectRgb(0, 479, 0, 0, 255);
    expectRgb(639, 479, 0, 0, 255);
}

TEST_F(Render, WorldTransformAndKeyedTexelsShowTheClearColour) {
    deviceClear(device, 0, nullptr, CLEAR_TARGET, 0xFF102030, 1.0f, 0);
    // Left column opaque black (keyed away), right column white.
    std::vector<uint8_t> px = {0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255};
    Texture* tex = makeTexture(2, 2, px);
    // Moved right by half the clip width and halved: the quad covers x 0..1 in clip space.
    Matrix world;
    matrixScaling(&world, 0.5f, 1.0f, 1.0f);
    world.m[3][0] = 0.5f;
    deviceSetTransform(device, TS_WORLD, &world);
    drawClipQuad(device, tex, 0, 0, 1, 1);
    expectRgb(100, 240, 0x10, 0x20, 0x30);  // left of the quad
    expectRgb(400, 240, 0x10, 0x20, 0x30);  // keyed half of the texture
    expectRgb(600, 240, 255, 255, 255);
}

TEST_F(Render, BadImageBytesGiveNoTexture) {
    const uint8_t junk[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
    Texture* t = reinterpret_cast<Texture*>(1);
    EXPECT_LT(createTextureFromFileInMemoryEx(device, junk, sizeof junk, ~0u, ~0u, ~0u, 0, 0, 1, ~0u, ~0u, 0xFF000000,
                                              nullptr, nullptr, &t),
              0);
    EXPECT_EQ(t, nullptr);
    EXPECT_STRNE(lastError(), "");
}

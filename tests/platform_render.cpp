// The drawing of every build through the seam alone, its frames read back from the back
// buffer (platform_readback.cpp): sprites placed to the pixel, keyed, tinted, blended,
// ordered and transformed, and the backdrop upright at full brightness, as the game
// relies on. Linux draws on the headless backend (the SDL drawing code), Windows on a
// real Direct3D 9 device under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"
#include "platform_png_stored.h"

// The frame drawn so far as 0xRRGGBB words, rows from the top (each build its own way).
std::vector<uint32_t> readBackBuffer();

using namespace platform;
using math::Matrix;
using math::Vec3;

namespace {

constexpr float DEPTH = 0.9999847412109375f;  // the game's cleared depth
const Vec3 CENTRE{0.5f, 0.5f, 0.0f};

// Textures are never released, by the game as by the platform: kept reachable here,
// in storage no exit-time destructor frees before the leak check looks.
Texture* made[64];
int madeCount = 0;

// Opaque 0xRRGGBB texels, row by row.
Texture* texture(int w, int h, const std::vector<uint32_t>& rgb) {
    std::vector<uint8_t> rgba;
    for (uint32_t c : rgb) rgba.insert(rgba.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255});
    const std::vector<uint8_t> png = storedpng::encodeRgba(w, h, rgba);
    Texture* t = createTexture(png.data(), uint32_t(png.size()), COLOUR_KEY_BLACK);
    EXPECT_NE(t, nullptr) << lastError();
    if (madeCount < 64) made[madeCount++] = t;
    return t;
}

Texture* solid(uint32_t rgb, int w = 8, int h = 8) { return texture(w, h, std::vector<uint32_t>(size_t(w) * h, rgb)); }

// The back buffer's pixels at the probes' places, as 0xRRGGBB.
struct Probe {
    int x, y;
    uint32_t rgb;
};

void expectProbes(const std::vector<uint32_t>& px, std::initializer_list<Probe> probes) {
    for (const Probe& p : probes)
        EXPECT_EQ(px[size_t(p.y) * BACK_BUFFER_WIDTH + p.x], p.rgb) << "at " << p.x << "," << p.y;
}

// Each case draws one frame as the game does: begin() it, draw, end the batch, then
// shown() reads the back buffer and presents.
class Render : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(openWindow("Skarvo", 640, 480)) << lastError();
        ASSERT_TRUE(openDevice()) << lastError();
        batch = createSpriteBatch();
    }
    static void begin(uint32_t clearRgb) {
        Matrix id;
        spriteSetTransform(batch, *math::matrixIdentity(&id));
        beginFrame(0xFF000000 | clearRgb, DEPTH);
        spriteBegin(batch);
    }
    static std::vector<uint32_t> shown() {
        std::vector<uint32_t> pixels = readBackBuffer();
        present();
        return pixels;
    }
    static inline SpriteBatch* batch = nullptr;
};

}  // namespace

TEST_F(Render, SpriteTexelsLandOnWholePixelsColourKeyed) {
    // 4 × 4 texels, each a different colour but texel (2, 1), opaque black: keyed.
    std::vector<uint32_t> texels;
    for (uint32_t i = 0; i < 16; ++i) texels.push_back((40 + i * 12) << 16 | (250 - i * 9) << 8 | (i * 15 + 5));
    texels[6] = 0;
    const uint32_t clear = 0x203040;
    begin(clear);
    // Centre (0.5, 0.5) on (100, 200): the top left corner on pixel (100, 200)'s top left
    // edges, so texel (x, y) fills pixel (100 + x, 200 + y) exactly.
    spriteDraw(batch, texture(4, 4, texels), CENTRE, Vec3{100, 200, 0}, 0xFFFFFFFF);
    spriteEnd(batch);
    const std::vector<uint32_t> px = shown();
    for (int y = -1; y <= 4; ++y)
        for (int x = -1; x <= 4; ++x) {
            const bool inside = x >= 0 && x < 4 && y >= 0 && y < 4 && !(x == 2 && y == 1);
            EXPECT_EQ(px[(200 + y) * 640 + 100 + x], inside ? texels[y * 4 + x] : clear) << "texel " << x << "," << y;
        }
}

TEST_F(Render, TintMultipliesTheTexelsAndItsAlphaBlends) {
    begin(0x0000FF);
    spriteDraw(batch, solid(0xFFFFFF), CENTRE, Vec3{100, 200, 0}, 0x80FF8000);
    spriteEnd(batch);
    const uint32_t tinted = shown()[200 * 640 + 100];
    EXPECT_NEAR(int(tinted >> 16), 128, 2);      // red 1.0 × 0.5
    EXPECT_NEAR(int(tinted >> 8 & 255), 64, 2);  // green 0.5 × 0.5
    EXPECT_NEAR(int(tinted & 255), 127, 2);      // the blue clear × 0.5
}

TEST_F(Render, BatchDrawsBackToFrontStableForEqualDepth) {
    Texture* white = solid(0xFFFFFF);
    begin(0);
    spriteDraw(batch, solid(0xFF0000), CENTRE, Vec3{10, 10, 0.1f}, 0xFFFFFFFF);  // drawn first: still on top
    spriteDraw(batch, solid(0x00FF00), CENTRE, Vec3{10, 10, 0.9f}, 0xFFFFFFFF);
    spriteDraw(batch, white, CENTRE, Vec3{30, 10, 0.5f}, 0xFF00FF00);
    spriteDraw(batch, white, CENTRE, Vec3{30, 10, 0.5f}, 0xFFFF0000);  // the hit flash: call order holds
    spriteEnd(batch);
    expectProbes(shown(), {{12, 12, 0xFF0000}, {33, 13, 0xFF0000}});
}

TEST_F(Render, TransformInForceAtTheDrawIsApplied) {
    Matrix half, spin, id;
    math::matrixAffineTransformation(&half, 0.5f, nullptr, nullptr, nullptr);
    math::Quaternion q;
    math::quaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, 1.5707964f);
    const Vec3 pivot{300, 300, 0};
    math::matrixAffineTransformation(&spin, 1.0f, &pivot, &q, nullptr);
    begin(0);
    spriteSetTransform(batch, half);
    spriteDraw(batch, solid(0xFF0000), CENTRE, Vec3{200, 200, 0}, 0xFFFFFFFF);  // 8 × 8 halved: 99.75 to 103.75
    spriteSetTransform(batch, spin);
    spriteDraw(batch, solid(0x00FF00, 8, 2), CENTRE, pivot, 0xFFFFFFFF);  // a horizontal bar turned upright
    spriteSetTransform(batch, *math::matrixIdentity(&id));                // only the draw made under it turns
    spriteEnd(batch);
    const std::vector<uint32_t> px = shown();
    expectProbes(px, {{100, 100, 0xFF0000}, {103, 103, 0xFF0000}, {104, 100, 0}, {100, 104, 0}});
    expectProbes(px, {{299, 305, 0x00FF00}, {305, 300, 0}});
}

// The backdrop as the game draws it: clip space through a world transform at depth 0.9,
// lit fully, v from -1 to 0 showing the image once and upright (wrap addressing, which
// a sprite batch drawn before it must leave in place).
TEST_F(Render, TheBackdropFillsTheBackBufferUprightAfterASpriteBatch) {
    const uint32_t quadrant[4] = {0xC81E1E, 0x1EC81E, 0x1E1EC8, 0xC8C81E};
    std::vector<uint32_t> texels;
    for (int i = 0; i < 16; ++i) texels.push_back(quadrant[(i / 8) * 2 + (i % 4) / 2]);
    const QuadVertex quad[4] = {{-1, 1, 0, 0, 0, -1, 0, -1},
                                {1, 1, 0, 0, 0, -1, 1, -1},
                                {-1, -1, 0, 0, 0, -1, 0, 0},
                                {1, -1, 0, 0, 0, -1, 1, 0}};
    Matrix world;
    math::matrixIdentity(&world);
    world.m[3][2] = 0.9f;
    begin(0);
    spriteDraw(batch, solid(0xFFFFFF), CENTRE, Vec3{10, 10, 0}, 0xFFFFFFFF);
    spriteEnd(batch);
    drawBackdrop(texture(4, 4, texels), world, quad);
    const std::vector<uint32_t> px = shown();
    // Each probe samples between two texels of one quadrant.
    expectProbes(px,
                 {{160, 120, quadrant[0]}, {480, 120, quadrant[1]}, {160, 360, quadrant[2]}, {480, 360, quadrant[3]}});
}

TEST_F(Render, BadImageDataIsNoTextureAndSaysWhy) {
    const uint8_t junk[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
    EXPECT_EQ(createTexture(junk, sizeof junk, COLOUR_KEY_BLACK), nullptr);
    EXPECT_STRNE(lastError(), "");
}
